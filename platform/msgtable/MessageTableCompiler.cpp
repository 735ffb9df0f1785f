// Build-time tool: turns a readable message list into the binary
// message-table file the program ships.
//
//   msgtable_compile <source.messages> <output.msgtable>

#include "platform/msgtable/MessageTableWriter.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: msgtable_compile <source.messages> <output.msgtable>\n");
    return 2;
  }
  const QString sourcePath = QString::fromLocal8Bit(argv[1]);
  const QString outputPath = QString::fromLocal8Bit(argv[2]);

  QFile source(sourcePath);
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "msgtable_compile: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<win::MessageEntry> entries;
  QString error;
  if (!win::ParseMessageSource(QString::fromUtf8(source.readAll()), entries, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error));
    return 1;
  }
  if (entries.empty()) {
    std::fprintf(stderr, "%s: no messages\n", argv[1]);
    return 1;
  }

  // Written whole or not at all, so a failed build never leaves half a table.
  QSaveFile out(outputPath);
  if (!out.open(QIODevice::WriteOnly) || out.write(win::BuildMessageTable(std::move(entries))) < 0 || !out.commit()) {
    std::fprintf(stderr, "msgtable_compile: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
