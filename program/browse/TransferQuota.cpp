// The main window's quota row, refreshed from the engine: a member of the
// program's Transfer.
#include "program/session/Transfer.h"

#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"
#include "platform/text/Format.h"
#include "platform/text/Strings.h"
#include "program/browse/MainWindowControls.h"
#include "program/foundation/Options.h"
#include "program/session/clsController.h"

namespace OrvaneMac {
namespace {

constexpr long kQuotaRed = 5066239;
constexpr long kQuotaGreen = 909095;

// A figure of the quota text; 0 when the text is no number.
double Figure(const QString& text) {
  double value = 0;
  vb::ResumeNext next;
  next([&] { value = vb::CDbl(text); });
  return value;
}

// The figure with the user's digit grouping and no decimals ("1,024").
QString Shown(double x) { return vb::FormatNumber(x, 0); }

template <typename T>
T* Need(const QPointer<T>& control) {
  if (!control) vb::Raise(vb::errObjectVariableNotSet);
  return control.data();
}

}  // namespace

void Transfer::Trf_UpdateTessaraDiskInfo() {
  QString q;
  const bool go = vb::OnErrorGoTo(
      [&] {
        SetMainMousePointer(11);
        if (!Program().RemoteTreeConnected) {
          SetMainMousePointer(0);
          return false;
        }
        q = clsController::Instance().Cont_GetQuotaInfo();
        // A minus sign in front of the used figure goes; a minus anywhere
        // else is no sign and stays (the figure then reads as no number).
        if (q.startsWith(u'-')) q = q.mid(1);
        if (q.isEmpty() || q == QLatin1String("0")) {
          SetMainMousePointer(0);
          return false;
        }
        return true;
      },
      [](const vb::ErrorInfo& e) {
        WriteTrace(QString::number(e.number) + e.description);
        SetMainMousePointer(0);
        return false;
      });
  if (!go) return;

  vb::ResumeNext next;
  double used = 0;
  double total = 0;
  const qsizetype slash = q.indexOf(u'/');
  next([&] {
    if (slash >= 0) used = Figure(q.left(slash));
  });
  next([&] {
    total = Figure(Program().AccountQuotaMB);
    // Accounts of this product carry no quota from the sign-in's lookup;
    // their total is the server's own figure after the "/", in the unit of
    // the used figure.
    if (total == 0 && slash >= 0) total = Figure(q.mid(slash + 1));
  });
  MainWindowControls& m = MainWindow();
  double value = -1;
  long colour = -1;
  next([&] {
    if (total == 0) return;
    if (used >= total) {
      value = 100;
      colour = kQuotaRed;
    } else {
      if (used < 0) used = 0;
      value = used / total * 100;
      colour = kQuotaGreen;
    }
  });
  next([&] {
    const QString tip = QStringLiteral(" ") + Shown(used) + QStringLiteral(" MB Out Of ") + Shown(total) +
                        QStringLiteral(" MB ");
    if (!m.SetQuotaBar) vb::Raise(vb::errObjectVariableNotSet);
    m.SetQuotaBar(value, colour, tip);
  });
  next([&] {
    Need(m.lblUserQuota)
        ->SetCaption(QStringLiteral("Quota Used: ") + Shown(used) + QStringLiteral(" MB Out of ") + Shown(total) +
                     QStringLiteral(" MB"));
  });
  next([&] {
    QString name = Program().ShownAccountName;
    name.remove(u'\n');
    Need(m.lblVersionDisp)
        ->SetCaption(vb::Trim(name) + QStringLiteral(": ") + QStringLiteral("Orvane for Mac - Windows Restore"));
  });
  const QString totalText = vb::CStr(total) + QStringLiteral(" MB");
  const QString usedText = vb::CStr(used) + QStringLiteral(" MB");
  next([&] { Trf_WriteUserProfile(QStringLiteral("TotalSpace"), totalText, false); });
  next([&] { Trf_WriteUserProfile(QStringLiteral("UsedSpace"), usedText, false); });
  Program().QuotaTotalText = totalText;
  Program().QuotaUsedText = usedText;
  SetMainMousePointer(0);
}

}  // namespace OrvaneMac
