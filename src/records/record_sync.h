#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "records/record_store.h"

namespace tamarack::records {

inline constexpr std::string_view kSyncStopped = "Sync stopped: ";

struct SyncCounts {
  std::size_t scalesSent = 0;  // that the team store lacked
  std::size_t recordsSent = 0;
  std::size_t scalesFetched = 0;  // that the local store lacked
  std::size_t recordsFetched = 0;
};

struct SyncOptions {
  std::size_t batchSize = 500;
  // A batch holding PDFs ends once it carries this many bytes.
  std::size_t batchBytes = 16 * 1024 * 1024;
  // Told after each batch has been committed where it went (progress; tests stop a server here).
  std::function<void(const SyncCounts&)> afterBatch;
};

struct SyncResult {
  bool ok = false;
  // "Sync done: 3 scales and 120 records sent, 40 records fetched." or kSyncStopped + why.
  std::string message;
  SyncCounts counts;
};

// Makes the two stores hold the union of their records: sends the team store every scale and
// record it lacks, then fetches every scale and every record of a scale that the local store
// lacks, in batches, one transaction per batch. Ids decide, so nothing conflicts. Interrupted
// (network gone, server stopped), nothing is lost or doubled: what was committed stays, and the
// next sync goes on from there.
SyncResult Sync(RecordStore& local, RecordStore& team, const SyncOptions& options = {});
// Opens the team store at `url` for the sync and closes it after; one message when it cannot be
// reached, and the local store stays as it was.
SyncResult Sync(RecordStore& local, const std::string& url, const SyncOptions& options = {});

}  // namespace tamarack::records
