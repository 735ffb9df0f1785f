// The remote search: the folder searched in is listed recursively through
// the client and the whole listing goes into "OrvaneSearchResult.txt" of
// the application folder, whose lines the restore program's search window
// matches against the search key itself.
#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/Processes.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Util.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/rsync/clsRsyncController.h"
#include "ZQwinSrv/rsync/clsRsyncEngine.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/TextStream.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Strings.h"

namespace OrvaneSrv {

bool clsRsyncController::SearchItem(const QString& sFolder, const QString& sUser, const QString& sPassword) {
  EngineState& g = Engine();
  vb::ResumeNext next;
  g.giMode = 1;
  g.gsPassword = sPassword;
  g.gsUserName = sUser;
  next([&] { Cont_TempFolder(QStringLiteral("ADD"), g.gsUserName, g.gsPassword); });
  g.giListingState = 0;

  bool ok = false;
  // The folder reaches the client's command line: it must be a name a
  // restore folder could have.
  if (!gUtil().ValidateFileFolderName(sFolder, true)) {
    WriteTrace(QStringLiteral("Search refused, the folder name holds a character the client cannot take: ") +
               QString(sFolder).remove(u'\r').remove(u'\n').remove(QChar(0)));
  } else {
    next([&] { ok = RsyncEngine().RsyncSearch_EnumerateFolder(sFolder, sUser); });
  }

  if (ok) {
    const QString outputLog = g.gsWorkFolder + QStringLiteral("\\ORVANETEMP\\outputlog.txt");
    next([&] {
      if (!win::FileExists(outputLog)) return;
      const QString result = vb::Trim(g.gsAppPath) + g.gsAppWord + QStringLiteral("\\OrvaneSearchResult.txt");
      if (win::FileExists(result)) win::DeleteFile(result, true);
      const QString text = FromUtf8(win::ReadAllBytes(outputLog));
      if (vb::Trim(StripNull(text)).isEmpty()) return;
      win::TextStream s = win::CreateTextFile(result, true, true);
      s.Write(text);
      s.Close();
    });
    vb::Sleep(20);
  }
  next([&] { Cont_TempFolder(QStringLiteral("DELETE"), g.gsUserName, g.gsPassword); });
  // The tunnel is ended after every search, whatever its result.
  next([&] { IsExeRunning(g.gsTunnelExe, true, 0); });
  next([&] { RsyncEngine().ResetEngineValues(false); });
  return ok;
}

bool clsRsyncEngine::RsyncSearch_EnumerateFolder(const QString& sRemotePath, const QString& sUser) {
  EngineState& g = Engine();
  bool result = false;
  try {
    bool noRetry = false;
    result = EnumerateOnce(g.gsWorkFolder, sUser, sRemotePath, true, noRetry);
  } catch (const vb::RuntimeError& e) {
    WriteTrace(QStringLiteral("Error encountered while running Search. Reason: ") + QString::number(e.Number()) +
               u' ' + e.Description());
    return false;
  }
  const bool stop = gProgressDisplay().CallBackSearchFolder(QStringLiteral("1"));
  g.giListingState = stop ? 1 : 0;
  if (stop) result = false;
  return result;
}

bool clsRsyncEngine::IsInCollection(const vb::CollectionPtr& colItems, const QString& sValue) {
  bool found = false;
  vb::ResumeNext next;
  next([&] {
    if (!colItems || colItems->Count() <= 0) return;
    const QString wanted = sValue.toUpper();
    for (qsizetype i = 1; i <= colItems->Count(); ++i) {
      if (vb::Trim(colItems->Item(i).ToString()).toUpper() == wanted) {
        found = true;
        return;
      }
    }
  });
  return found;
}

QString clsRsyncEngine::CreateShortPath(const QString& sPath) {
  QString path = sPath;
  vb::ResumeNext next;
  next([&] {
    if (win::FolderExists(sPath)) {
      const QString shortPath = win::GetShortPathName(sPath);
      if (!shortPath.isEmpty()) path = shortPath;
    }
  });
  if (!vb::Trim(path).endsWith(u'\\')) path += u'\\';
  return path;
}

}  // namespace OrvaneSrv
