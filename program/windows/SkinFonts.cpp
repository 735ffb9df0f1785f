#include "program/windows/SkinFonts.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSkinFonts, "restore.ui.fonts")

namespace OrvaneMac {
namespace {

// Where Debian's fonts-wine puts its Windows look-alikes.
constexpr char kWineFonts[] = "/usr/share/wine/fonts";

bool gInstalled = false;

}  // namespace

void InstallSkinFonts() {
  if (gInstalled || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  gInstalled = true;
  for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"}) {
    const QString path = QDir(QString::fromLatin1(kWineFonts)).filePath(QString::fromLatin1(file));
    if (QFontDatabase::addApplicationFont(path) < 0) qCWarning(lcSkinFonts) << "font not found:" << path;
  }
  QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
  QFont::insertSubstitutions(QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif")});
  QFont::insertSubstitutions(QStringLiteral("Tahoma"), {QStringLiteral("DejaVu Sans")});
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans")});
}

QFont SkinFont(const QString& family, double points, bool bold) {
  InstallSkinFonts();
  QFont font(family);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QString ResolvedFamily(const QString& family) {
  InstallSkinFonts();
  return QFontInfo(QFont(family)).family();
}

}  // namespace OrvaneMac
