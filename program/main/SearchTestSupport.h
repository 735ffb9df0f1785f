#pragma once
// The search window's tests: a recording engine whose search writes the
// listing of the folder asked for into the search result file, as the
// engine does, and runs the test's own step inside it (where the engine
// pumps messages). Tests only.

#include <QFile>
#include <QHash>

#include <functional>
#include <memory>

#include "program/main/SearchResultFile.h"
#include "program/session/FakeEngineController.h"
#include "platform/paths/WinPath.h"

namespace OrvaneMac::testing {

struct SearchListings {
  QHash<QString, QString> byFolder;        // folder -> listing text
  QStringList asked;                       // folders in the order asked
  std::function<void(const QString&)> during;  // runs inside each listing
  bool stopped = false;                    // set by `during` when the listing is to end without a file
};

class SearchingEngine : public FakeEngineController {
 public:
  SearchingEngine(std::shared_ptr<EngineRecord> record, int number, std::shared_ptr<SearchListings> listings)
      : FakeEngineController(std::move(record), number), listings_(std::move(listings)) {}

  bool Cont_SearchRemItem(const QString& folder, const QString& user, const QString& password) override {
    FakeEngineController::Cont_SearchRemItem(folder, user, password);
    listings_->asked << folder;
    listings_->stopped = false;
    if (listings_->during) listings_->during(folder);
    if (listings_->stopped || !listings_->byFolder.contains(folder)) return false;
    QFile file(win::ToHostPath(SearchResultFile()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QString text = listings_->byFolder.value(folder);
    file.write("\xFF\xFE", 2);
    file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return true;
  }

 private:
  std::shared_ptr<SearchListings> listings_;
};

// Engines for the life of the object that search from `listings`.
inline void UseSearchingEngines(ScopedFakeEngines& engines, const std::shared_ptr<SearchListings>& listings) {
  clsController& client = clsController::Instance();
  client.ReleaseEngines();
  std::weak_ptr<EngineRecord> weak = engines.record;
  client.SetEngineFactory([weak, listings]() -> EngineController {
    auto r = weak.lock();
    if (!r) return nullptr;
    return std::make_shared<SearchingEngine>(r, ++r->enginesMade, listings);
  });
}

// A listing line in the client's fixed columns.
inline QString ListingLine(QChar type, const QString& size, const QString& date, const QString& name) {
  return QString(type) + QStringLiteral("rw-r--r-- ") + size.rightJustified(11) + u' ' + date + u' ' + name +
         u'\n';
}

}  // namespace OrvaneMac::testing
