#pragma once
// Marks what the engine library exports: its creatable classes and the few
// routines the restore program shares with it. Everything else is hidden.
#define ORVANESRV_EXPORT __attribute__((visibility("default")))
