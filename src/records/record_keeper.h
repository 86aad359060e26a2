#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "feedback/user_feedback.h"
#include "records/record_store.h"

namespace tamarack::records {

// The program's records: the local store once it is open (none if it could not be), who makes
// records now, and the failures the user has been told of. Every window that makes records keeps
// them through the one keeper the program has; with no store they are simply not kept, and every
// window goes on working.
class RecordKeeper : public QObject {
  Q_OBJECT

 public:
  struct Options {
    // Where the store is: RecordStore::DefaultFolder() when empty.
    std::string folder;
    // The setup history taken in once; empty: none.
    std::string historyFolder;
    // The PC's name in every record; ThisPc() when empty.
    std::string pc;
  };

  explicit RecordKeeper(Options options = {});
  ~RecordKeeper() override;

  // Opens the local store and takes the history folder in (the first time only). The message to
  // show the user once ("Records not kept: ..."), or empty. Call once; later calls do nothing.
  std::string Open();
  bool Opened() const { return opened_; }
  // Why no store is open ("Records not kept: ..."); empty while one is, or before Open.
  const std::string& Problem() const { return problem_; }
  // The folder the local store is in.
  const std::string& Folder() const { return options_.folder; }
  // Null while no store is open: nothing is kept.
  RecordStore* Store() const { return store_.get(); }
  // What the history import took in (after Open).
  const ImportResult& Imported() const { return imported_; }

  // The setup history's folder in the user's data folder, where the setup window keeps its reads.
  static std::string DefaultHistoryFolder();

  // The technician of this run, given where a record first needs it (the question which scale,
  // the service record, the Records window) and kept in memory only: on a laptop the team
  // shares, the next run does not credit the last one's technician.
  const std::string& Technician() const { return technician_; }
  void SetTechnician(std::string name) { technician_ = std::move(name); }
  // The author of a record made now.
  Author Who() const { return {technician_, options_.pc}; }

  // Keeps the records, all or none, filling in the author where none is given. A failure is told
  // through `ui` once in a run, as "Records not kept: <reason>"; false then.
  bool Keep(std::vector<Record>& records, UserFeedback& ui);
  bool Keep(Record& record, UserFeedback& ui);
  // The team store's address synced with last, kept beside the store (never with a password, which
  // the address cannot hold); empty when none was.
  std::string LastTeamUrl() const;
  // Keeps it for the next run; the reason when it could not be written.
  std::string RememberTeamUrl(const std::string& url) const;

  // Tells `ui` of a failure the first time in a run; later ones are only counted.
  void Tell(const std::string& error, UserFeedback& ui);
  // Something was kept or changed: the windows that list records read them again.
  void Touch() { emit Changed(); }

 signals:
  void Changed();

 private:
  Options options_;
  bool opened_ = false;
  std::unique_ptr<RecordStore> store_;
  ImportResult imported_;
  std::string problem_;
  std::string technician_;
  bool failureTold_ = false;
};

}  // namespace tamarack::records
