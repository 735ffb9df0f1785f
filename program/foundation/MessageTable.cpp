#include "program/foundation/MessageTable.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "program/foundation/Options.h"
#include "platform/ui/MessageBoxService.h"

// The table lives in the program's static library; its resource must be
// pulled in by name.
static void InitProgramResources() { Q_INIT_RESOURCE(ProgramResources); }

namespace OrvaneMac {
namespace {

Q_LOGGING_CATEGORY(lcMessages, "orvane.program.messages")

const QString kWebSite = QStringLiteral("{WebSite}");

// Number -> text, as stored (the web-site mark still in place).
const QHash<Long, QString>& Table() {
  static const QHash<Long, QString> table = [] {
    InitProgramResources();
    QHash<Long, QString> loaded;
    QFile file(QStringLiteral(":/program/resources/messages.json"));
    if (!file.open(QIODevice::ReadOnly)) {
      qCCritical(lcMessages) << "the message table is missing from the program";
      return loaded;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QString neutral = root.value(QStringLiteral("neutralText")).toString();
    for (const QString& part : root.value(QStringLiteral("neutral")).toString().split(u',', Qt::SkipEmptyParts)) {
      const QStringList bounds = part.split(u'-');
      const Long first = bounds.value(0).trimmed().toInt();
      const Long last = bounds.size() > 1 ? bounds.value(1).trimmed().toInt() : first;
      for (Long id = first; id <= last; ++id) loaded.insert(id, neutral);
    }
    const QJsonObject texts = root.value(QStringLiteral("texts")).toObject();
    for (auto it = texts.begin(); it != texts.end(); ++it) loaded.insert(it.key().toInt(), it.value().toString());
    return loaded;
  }();
  return table;
}

// ZQwinError's codes and their message numbers.
Long ErrorMessageNumber(Integer code) {
  switch (code) {
    case 11: return 484;
    case 101: return 485;
    case 103: return 486;
    case 104: return 487;
    case 105: return 488;
    case 106: return 489;
    case 108: return 490;
    case 201: return 491;
    case 202: return 492;
    case 203: return 493;
    case 204: return 494;
    case 205: return 495;
    case 206: return 496;
    default: return 0;
  }
}

}  // namespace

namespace modReg {

QString GetMessageText(Long id) {
  const QString text = Table().value(id);
  if (!text.contains(kWebSite)) return text;
  return QString(text).replace(kWebSite, OrvaneSrv::CurrentServiceHosts().sMainWebHost);
}

QString GetToolTipText(const QString& key) {
  if (key.toLower() == QStringLiteral("smart.lblrecalculate")) {
    return QStringLiteral(
        "Recalculating quota may take some time based on your account size. The quota field will automatically "
        "update when it is complete.");
  }
  return {};
}

}  // namespace modReg

namespace modGeneral {

Integer ZQwinError(Integer code) {
  return vb::OnErrorGoTo(
      [&]() -> Integer {
        WriteTrace(QStringLiteral("Enter ZQWinError ") + QString::number(code));
        if (const Long id = ErrorMessageNumber(code); id != 0) {
          (void)win::MessageBox(modReg::GetMessageText(id), win::MB_ICON_ERROR, win::MB_STYLE_OK, Program().AppTitle);
        }
        WriteTrace(QStringLiteral("Exit ZQWinError "));
        return 0;
      },
      [](const vb::ErrorInfo& err) -> Integer {
        WriteTrace(QStringLiteral("Error Reason :") + err.description +
                   QStringLiteral("in procedure ZQwinError of Module modGeneral"));
        return 0;
      });
}

}  // namespace modGeneral
}  // namespace OrvaneMac
