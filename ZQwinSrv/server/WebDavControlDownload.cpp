// WebDavControl: the ranged download of one remote file, its progress
// record and the rule that decides whether the remaining time is shown.
//
// A download never touches the user's file until the whole file is in: the
// ranges go to a work file beside the target, which replaces the target only
// when its length equals the remote size. A failed or cancelled download
// removes the work file and leaves the old file as it was.
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "ZQwinSrv/foundation/Options.h"
#include "ZQwinSrv/foundation/TextHelpers.h"
#include "ZQwinSrv/foundation/Transfer.h"
#include "ZQwinSrv/foundation/clsProgressDisplay.h"
#include "ZQwinSrv/server/WebDavControl.h"
#include "ZQwinSrv/server/WebDavRequests.h"
#include "platform/clock/Clock.h"
#include "platform/errors/RuntimeError.h"
#include "platform/files/BinaryFile.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/FileSystem.h"
#include "platform/paths/WinPath.h"
#include "platform/text/Conversion.h"
#include "platform/text/Strings.h"
#include "platform/ui/EventPump.h"

namespace OrvaneSrv {
namespace {

constexpr qint64 kRangeLength = 131072;
// A failed range or size query is asked again this many times (each after
// a longer wait) before the file fails.
constexpr int kRetryLimit = 5;
constexpr int kFirstRetryWaitMs = 10;
constexpr qint64 kLargestServerSize = 2147483647;
constexpr double kGigabyte = 1073741824.0;
const QString kCancelText = QStringLiteral("Operation canceled by user");
const QString kIncompleteText = QStringLiteral("Improper or incomplete server response.");
const QString kWorkFileSuffix = QStringLiteral(".orvpart");

QString TrueFalse(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

// Waits before the next attempt, letting the user interface run (its stop
// button sets the cancel flag).
void BackOff(int attempt) {
  int wait = kFirstRetryWaitMs << std::min(attempt - 1, 6);
  while (wait > 0 && !Engine().gbCancelled) {
    const int step = std::min(wait, 20);
    vb::Sleep(step);
    vb::DoEvents();
    wait -= step;
  }
}

// Decimal digits only, and no more than a 64-bit count holds.
bool ReadCount(QStringView text, qint64& value) {
  if (text.isEmpty() || text.size() > 18) return false;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  value = text.toLongLong();
  return true;
}

// The reply's header `name`; false when the reply has none.
bool ReplyHeader(win::HINTERNET request, const QString& name, QString& value) {
  value = name;
  return win::HttpQueryInfo(request, win::HTTP_QUERY_CUSTOM, value);
}

// The size a 200 reply announces; -1 when it announces none.
qint64 ReplyLength(win::HINTERNET request) {
  QString value;
  qint64 length = -1;
  if (!win::HttpQueryInfo(request, win::HTTP_QUERY_CONTENT_LENGTH, value) || !ReadCount(value.trimmed(), length)) {
    return -1;
  }
  return length;
}

}  // namespace

std::optional<ContentRange> ParseContentRange(const QString& value) {
  const QString v = value.trimmed();
  if (!v.startsWith(QStringLiteral("bytes "), Qt::CaseInsensitive)) return std::nullopt;
  const QStringView rest = QStringView(v).mid(6).trimmed();
  const qsizetype slash = rest.indexOf(u'/');
  if (slash < 0) return std::nullopt;
  ContentRange range;
  const QStringView span = rest.left(slash).trimmed();
  const QStringView total = rest.mid(slash + 1).trimmed();
  if (total != u"*" && !ReadCount(total, range.total)) return std::nullopt;
  if (span == u"*") {
    if (range.total < 0) return std::nullopt;
    return range;
  }
  const qsizetype dash = span.indexOf(u'-');
  if (dash < 0 || !ReadCount(span.left(dash), range.first) || !ReadCount(span.mid(dash + 1), range.last)) {
    return std::nullopt;
  }
  if (range.last < range.first || (range.total >= 0 && range.last >= range.total)) return std::nullopt;
  return range;
}

QString WebDavControl::DownloadWorkFile(const QString& destdir, const QString& name) {
  return destdir + name + kWorkFileSuffix;
}

bool WebDavControl::IsSizeOverGB(double size, Long n) {
  if (n <= 1) return true;
  if (n >= 3 && n <= 12) return size >= (n - 2) * kGigabyte;
  return false;
}

bool WebDavControl::HttpDownloadFile(const QString& filepath, const QString& destdir,
                                     const QString& orDestfilepath) {
  EngineState& g = Engine();
  bool result = false;
  Long lastStatus = 0;
  std::optional<win::BinaryFile> local;
  const QString name = vb::Mid(filepath, vb::InStrRev(filepath, QStringLiteral("/")) + 1);
  const QString target = destdir + name;
  const QString work = DownloadWorkFile(destdir, name);
  bool workCreated = false;

  auto finish = [&] {
    vb::ResumeNext next;
    next([&] {
      if (local) local->Close();
    });
    next([&] {
      if (!result && workCreated && win::FileExists(work)) win::DeleteFile(work, true);
    });
    next([&] { CloseRequest(); });
    WriteTrace(QStringLiteral("Exit HttpDownloadFile = ") + TrueFalse(result));
    return result;
  };
  auto cancelEnd = [&] {
    if (lastStatus != 401 && lastStatus != 403 && lastStatus != 404) sErrorText = kCancelText;
    result = false;
    return finish();
  };
  // A file of 2 GB or more is not restored by this route.
  auto refuseLarge = [&] {
    sErrorText = vb::Val(gTransfer().Trf_ReadUserProfile(QStringLiteral("UNCOMP"))) == 1
                     ? QStringLiteral(
                           "Please use default options (SSL encryption, compression on transmission) for "
                           "compatibility for files 2GB and higher. It is not supported for uncompress "
                           "files during download option.")
                     : QStringLiteral(
                           "Files of 2GB and higher cannot be restored by this restore method, restore them with "
                           "the default options");
    result = false;
    return finish();
  };
  // Puts the finished work file in the target's place. A read-only target
  // refuses, as a write to it would.
  auto replaceTarget = [&] {
    local->Close();
    if (win::FileExists(target) && (win::GetAttr(target) & win::FILE_ATTRIBUTE_READONLY) != 0) {
      vb::Raise(vb::errPathFileAccessError);
    }
    if (std::rename(QFile::encodeName(win::ToHostPath(work)).constData(),
                    QFile::encodeName(win::ToHostPath(target)).constData()) != 0) {
      vb::Raise(vb::errPathFileAccessError);
    }
    workCreated = false;
  };

  return vb::OnErrorGoTo(
      [&]() -> bool {
        WriteTrace(QStringLiteral("Enter HttpDownloadFile ") + LogName(filepath) + LogName(destdir));
        g.gsProgressText = QStringLiteral("My Orvane/") + GetRemotePath(filepath);
        // The service reports sizes as signed 32-bit numbers: a size from a
        // listing is only where the download starts. The real size is the
        // total of the first ranged reply ("Content-Range"), or the length
        // of a whole-file reply, and only that size makes a file whole.
        qint64 size = g.giOsType == 1 ? gWebDavControl().GetFileSize(filepath) : 0;
        bool confirmed = false;
        gProgressDisplay().PrepMonitorCall(0, QString(), QStringLiteral("Performing incremental transfer"), 0);
        sErrorText.clear();
        if (g.gbCancelled) return cancelEnd();

        local.emplace(win::BinaryFile::Open(work, win::BinaryFile::Access::ReadWrite,
                                            win::BinaryFile::Disposition::CreateAlways));
        workCreated = true;
        g.glNextRangeStart = 1;
        qint64 written = 0;
        int attempts = 0;
        QByteArray buffer;

        // One failed step: logged as a resume, waited for, and given up
        // after the retry limit (the error text of the failure stays).
        auto retry = [&]() -> bool {
          ++attempts;
          if (attempts > kRetryLimit) return false;
          gProgressDisplay().PrepMonitorCall(0, QString(), QStringLiteral("Resuming transfer"), 0);
          if (attempts == 1) {
            WriteTransferLog(QStringLiteral("Resuming to restore file ") + LogName(filepath) +
                             QStringLiteral(" <To> ") + LogName(orDestfilepath) + QStringLiteral(" Reason:") +
                             dav_geterrorstring());
          } else {
            gOptions().opt_setposofresumeentry(QStringLiteral("Resuming the restore of file (") +
                                                QString::number(attempts) + QStringLiteral(" times) ") +
                                                LogName(filepath) + QStringLiteral(" <To> ") +
                                                LogName(orDestfilepath) + dav_geterrorstring());
          }
          BackOff(attempts);
          return true;
        };

        for (;;) {
          const float t0 = vb::Timer();
          if (g.gbCancelled) return cancelEnd();
          if (!confirmed && (size == 0 || size == -1)) size = gWebDavControl().GetFileSize(filepath);
          if (size < -1) {
            // The server's 32-bit size of a file of 2 GB or more.
            const double full = vb::Val(GetServerFileSize(URLEncodeWebd(filepath)));
            if (full > static_cast<double>(kLargestServerSize)) return refuseLarge();
            // A size script that cannot tell leaves the size to the first
            // reply.
            size = 0;
          }
          if (size == -1) {
            if (!retry()) return finish();
            continue;
          }
          if (size == 0 && confirmed) {
            replaceTarget();
            result = true;
            return finish();
          }
          if (g.gbCancelled) return cancelEnd();

          // A size of 0 may be an empty file or one of 4 GB: a whole range
          // is asked for, and the reply tells.
          const qint64 end = size > 0 ? std::min(written + kRangeLength, size) : written + kRangeLength;
          lRequestFlags = static_cast<Long>(win::INTERNET_FLAG_NO_CACHE_WRITE);
          sErrorText.clear();
          sRequestHeaders = QStringLiteral("Range: bytes=") + QString::number(written) + u'-' +
                            QString::number(end - 1);
          lastStatus = HttpProcessCalls(QStringLiteral("GET"), filepath, false, true);

          // 206 for the range asked for; 200 (the whole body) only for a
          // range that starts at the beginning; 416 when the range starts at
          // the file's end.
          bool whole = false;
          bool ranged = false;
          bool atEnd = false;
          qint64 wanted = 0;
          if (lastStatus == 206) {
            QString value;
            if (!ReplyHeader(hRequest, QStringLiteral("Content-Range"), value)) {
              // Taken as it comes, for a size the server told before.
              ranged = size > 0;
              wanted = end - written;
            } else if (const auto range = ParseContentRange(value); range && range->first == written) {
              ranged = true;
              wanted = range->last - range->first + 1;
              if (range->total >= 0) {
                size = range->total;
                confirmed = true;
              }
            }
          } else if (lastStatus == 200 && written == 0) {
            whole = true;
            if (const qint64 length = ReplyLength(hRequest); length >= 0) {
              size = length;
              confirmed = true;
            }
            // Without a length the body's end is the file's end.
            wanted = confirmed ? size : std::numeric_limits<qint64>::max();
          } else if (lastStatus == 416) {
            QString value;
            if (ReplyHeader(hRequest, QStringLiteral("Content-Range"), value)) {
              const auto range = ParseContentRange(value);
              atEnd = range && range->first < 0 && range->total == written;
            }
            if (atEnd) {
              size = written;
              confirmed = true;
            }
          }
          if (confirmed && size > kLargestServerSize) return refuseLarge();

          bool progressed = false;
          bool readFailed = false;
          if (whole || ranged) {
            if (buffer.size() < kRangeLength) buffer.resize(kRangeLength);
            qint64 got = 0;
            while (got < wanted) {
              // A stop ends the download within one piece, whatever the
              // server sends.
              if (g.gbCancelled) break;
              const auto piece = static_cast<win::DWORD>(std::min<qint64>(wanted - got, kRangeLength));
              win::DWORD read = 0;
              if (!win::InternetReadFile(hRequest, buffer.data(), piece, read)) {
                readFailed = true;
                dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("GET"));
                break;
              }
              if (read == 0) break;
              local->Write(QByteArray::fromRawData(buffer.constData(), static_cast<qsizetype>(read)));
              got += read;
              written += read;
              g.glNextRangeStart = static_cast<Long>(std::min<qint64>(written + 1, 2147483647));
              updateprogress(g.gsProgressText, t0, static_cast<double>(size), static_cast<double>(written),
                             static_cast<double>(read), 0);
              progressed = true;
              if (whole) vb::DoEvents();
            }
            if (g.gbCancelled) return cancelEnd();
            if (whole && !confirmed && !readFailed) {
              size = written;
              confirmed = true;
            } else if (got < wanted && !readFailed) {
              // The body ended early.
              sErrorText = kIncompleteText;
              readFailed = true;
            }
          } else if (!atEnd) {
            dav_oper_stat_codes(lastStatus != 0 ? lastStatus : static_cast<Long>(win::InternetGetLastError()),
                                QStringLiteral("GET"));
            if (lastStatus == 401) {
              sErrorText = QStringLiteral("Authentication failure, your username or password is incorrect.");
            } else if (lastStatus == 403) {
              sErrorText = QStringLiteral("Forbidden.");
            } else if (lastStatus == 206 || lastStatus == 200 || lastStatus == 416) {
              sErrorText = kIncompleteText;
            } else if (sErrorText.isEmpty()) {
              sErrorText = StatusReason(lastStatus);
            }
          }
          sRequestHeaders.clear();
          vb::DoEvents();

          // Not found, or refused: nothing to try again.
          if (lastStatus == 401 || lastStatus == 403 || lastStatus == 404) return finish();
          if (progressed) attempts = 0;
          if (readFailed || !(whole || ranged || atEnd)) {
            CloseRequest();
            if (g.gbCancelled) return cancelEnd();
            if (!retry()) return finish();
            continue;
          }

          gProgressDisplay().PrepMonitorCall(0, QString(), QStringLiteral("performing incremental restore"), 0);
          if (g.gbCancelled) return cancelEnd();
          if (size == 0) continue;  // the reply said the file is empty
          if (written < size) continue;
          if (local->Length() != size) {
            sErrorText = kIncompleteText;
            return finish();
          }
          replaceTarget();
          result = true;
          return finish();
        }
      },
      [&](const vb::ErrorInfo& e) {
        {
          // The handled error's own text: a file that cannot be written
          // reads "Path/File access error", which the restore route tells
          // apart from the server's failures.
          const HandledError handling(errHandled_, e);
          dav_oper_stat_codes(static_cast<Long>(win::InternetGetLastError()), QStringLiteral("GET"));
        }
        result = false;
        return finish();
      });
}

void WebDavControl::updateprogress(const QString& sFileName, float dStartTime, double size, double sum,
                                   double buffernow, Long sBkstatus) {
  vb::ResumeNext next;
  next([&] {
    if (size == 0) return;
    EngineState& g = Engine();
    if (sum > size) sum = size;
    g.gdTotalDone += buffernow;

    // The rate over the whole restore so far: bytes of the set done since
    // the restore began.
    float now = vb::Timer();
    double elapsed = static_cast<double>(now) - static_cast<double>(g.gfStartTime);
    if (elapsed < 0) elapsed += 86400;
    if (g.gfStartTime == 0) elapsed = static_cast<double>(now) - static_cast<double>(dStartTime);
    QString rateText;
    double remaining = 0;
    if (elapsed > 0) {
      const double rate = g.gdTotalDone / elapsed;
      if (rate > 0) remaining = (g.gdTotalFileSize - g.gdTotalDone) / rate;
      rateText = GetProperSizeValue(rate, true);
    }
    if (remaining < 0) remaining = 0;

    ProgressRecord& r = g.gWebdavProgress;
    r.sFileName = sFileName;
    r.sBkStatus = sBkstatus;
    r.dfileBuff = sum;
    r.dFileSize = size;
    r.dTotalDone = g.gdTotalDone;
    r.sTimeElapsed = g.gsTimeElapsed;
    if (g.gsTimeRemaining.isEmpty()) {
      r.sTimeRemaining = g.gsTimeRemaining;
    } else {
      const qsizetype colon = vb::InStr(g.gsTimeRemaining, QStringLiteral(":"));
      if (colon >= 2) {
        const double hours = vb::Val(vb::Left(g.gsTimeRemaining, colon - 1));
        r.sTimeRemaining = hours < 13 && IsSizeOverGB(g.gdTotalFileSize, static_cast<Long>(hours))
                               ? g.gsTimeRemaining
                               : QString();
      }
    }
    r.iFileProg = static_cast<Integer>(vb::RoundHalfEven(sum / size * 100));
    if (g.gdTotalFileSize > 0) {
      r.iTotalProg = static_cast<Integer>(std::min(vb::RoundHalfEven(g.gdTotalDone / g.gdTotalFileSize * 100), 32767.0));
    }
    r.sTotalDone = vb::CStr(g.gdTotalDone);
    r.sTotalSize = vb::CStr(g.gdTotalFileSize);
    r.sTrfRate = rateText;
    r.dTotalBuffer = g.gdTotalDone;
    r.iFileProg = std::min<Integer>(r.iFileProg, 100);
    r.iTotalProg = std::min<Integer>(r.iTotalProg, 100);
    if (g.gdTotalFileSize > 0 && g.gdTotalDone > g.gdTotalFileSize) g.gdTotalFileSize = 0;
    gProgressDisplay().setDisplayParam(remaining, false);
  });
}

}  // namespace OrvaneSrv
