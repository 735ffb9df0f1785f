#pragma once
// A stand-in for the script transport (tests only): records every post and
// answers the replies and denial statuses queued with Answer, in order; a
// post beyond them answers "" and leaves the status alone.

#include <QString>

#include <deque>
#include <vector>

#include "ZQwinSrv/server/HttpFunctions.h"

namespace OrvaneSrv::test {

struct ScriptPost {
  QString server;
  QString path;
  QString body;
  Integer callingMethods = 0;
  QString statusIn;  // the denial status the caller passed
  Long port = 0;
};

class FakeScriptPoster {
 public:
  // Queues one answer; a non-empty `status` is handed back as the denial status.
  void Answer(const QString& reply, const QString& status = {}) { answers_.push_back({reply, status}); }
  [[nodiscard]] const std::vector<ScriptPost>& Posts() const { return posts_; }

 private:
  struct Reply {
    QString text;
    QString status;
  };
  std::deque<Reply> answers_;
  std::vector<ScriptPost> posts_;
  ScopedScriptPoster install_{[this](const QString& server, const QString& path, const QString& body,
                                     Integer callingMethods, QString& status, Long port) {
    posts_.push_back({server, path, body, callingMethods, status, port});
    if (answers_.empty()) return QString();
    Reply next = answers_.front();
    answers_.pop_front();
    if (!next.status.isEmpty()) status = next.status;
    return next.text;
  }};
};

}  // namespace OrvaneSrv::test
