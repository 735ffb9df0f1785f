#pragma once
// How GoogleTest prints Qt's text in a failure message: as the text itself,
// in quotes, rather than as the object's bytes.

#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
