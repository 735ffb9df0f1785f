// DORediRizura.exe: the idle-status helper. Nothing reads from it; it only
// has to be running, under its name, until the restore program ends it.

#include <unistd.h>

int main() {
  for (;;) ::pause();
}
