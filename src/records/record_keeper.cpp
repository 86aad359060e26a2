#include "records/record_keeper.h"

#include "files/replace_file.h"
#include "files/small_file.h"

namespace tamarack::records {

RecordKeeper::RecordKeeper(Options options) : options_(std::move(options)) {
  if (options_.folder.empty()) options_.folder = RecordStore::DefaultFolder();
  if (options_.pc.empty()) options_.pc = ThisPc();
}

RecordKeeper::~RecordKeeper() = default;

std::string RecordKeeper::Open() {
  if (opened_) return {};
  opened_ = true;
  RecordStore::Opened opened = RecordStore::OpenLocal(options_.folder);
  store_ = std::move(opened.store);
  std::string message = opened.message;
  if (!store_) problem_ = message;
  if (store_ && !options_.historyFolder.empty()) {
    // The files say nothing of who read them.
    imported_ = store_->ImportHistoryOnce(options_.historyFolder, {{}, options_.pc});
    if (!imported_.error.empty()) {
      if (!message.empty()) message += "\n";
      message += "The history of reads was not taken into the records: " + imported_.error;
    }
  }
  if (store_) emit Changed();
  return message;
}

std::string RecordKeeper::DefaultHistoryFolder() {
  return RecordStore::DefaultFolder() + "/history";
}

bool RecordKeeper::Keep(std::vector<Record>& records, UserFeedback& ui) {
  if (!store_ || records.empty()) return false;
  bool needsAuthor = false;
  for (const Record& r : records) needsAuthor = needsAuthor || r.pc.empty();
  if (needsAuthor) {
    const Author author = Who();
    for (Record& r : records) {
      if (!r.pc.empty()) continue;
      r.technician = author.technician;
      r.pc = author.pc;
    }
  }
  std::string error;
  if (!store_->AddAll(records, error)) {
    Tell(error, ui);
    return false;
  }
  emit Changed();
  return true;
}

bool RecordKeeper::Keep(Record& record, UserFeedback& ui) {
  std::vector<Record> one{record};
  if (!Keep(one, ui)) return false;
  record = std::move(one.front());
  return true;
}

namespace {

std::string TeamFile(const std::string& folder) {
  return folder + "/team-store.url";
}

}  // namespace

std::string RecordKeeper::LastTeamUrl() const {
  const SmallFile file =
      ReadSmallFile(TeamFile(options_.folder), 4096, IfMissing::kReadEmpty, IfLonger::kFail);
  if (!file.result.ok()) return {};
  std::string url = file.bytes;
  while (!url.empty() && (url.back() == '\n' || url.back() == '\r')) url.pop_back();
  return url;
}

std::string RecordKeeper::RememberTeamUrl(const std::string& url) const {
  if (url == LastTeamUrl()) return {};
  const FileResult result = ReplaceFile(TeamFile(options_.folder), url + "\n");
  return result.ok() ? std::string() : FailureText(result);
}

void RecordKeeper::Tell(const std::string& error, UserFeedback& ui) {
  if (failureTold_) return;
  failureTold_ = true;
  ui.Failure(std::string(kRecordsNotKept) + error);
}

}  // namespace tamarack::records
