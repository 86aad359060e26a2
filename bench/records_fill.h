#pragma once

// A records store filled for a benchmark: reads, writes and now and then a service record over
// many scales, a tenth of them on no scale.

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "records/record_store.h"

namespace tamarack::bench {

using namespace tamarack::records;

inline const Author kBenchAuthor{"Bench", "bench-pc"};

inline ReadContent Read(long long n) {
  ReadContent read;
  for (const SetupParam& p : SetupParams()) {
    std::string& v = read.values[RowIndex(p)];
    char six[16];
    switch (p.kind) {
      case ParamKind::kNumber:
        std::snprintf(six, sizeof six, "%06lld", (n * 7919 + RowIndex(p)) % 1000000);
        v = six;
        break;
      case ParamKind::kChoice:
        v = std::string(p.options[static_cast<std::size_t>(p.defaultCode)]);
        break;
      case ParamKind::kVersion:
        v = "V2.1";
        break;
      case ParamKind::kDate:
        v = "24-03-26";
        break;
      case ParamKind::kTime:
        v = "17:05:09";
        break;
    }
  }
  read.port = "COM1";
  read.line = "9600 baud, 8 data bits, parity none, 1 stop bit";
  return read;
}

// Records over `scales` scales, a tenth on none: reads, writes, a service record now and then.
inline bool Fill(RecordStore& store, std::size_t count, std::size_t scaleCount,
                 std::vector<std::string>& scaleIds) {
  std::string error;
  for (std::size_t i = scaleIds.size(); i < scaleCount; ++i) {
    Scale s;
    s.site = "Site " + std::to_string(i / 10);
    s.tag = "Scale " + std::to_string(i);
    if (!store.AddScale(s, kBenchAuthor, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return false;
    }
    scaleIds.push_back(s.id);
  }
  std::vector<Record> batch;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string scale = i % 10 == 9 ? std::string() : scaleIds[i % scaleIds.size()];
    RecordContent content;
    if (i % 50 == 0) {
      ServiceRecordContent service;
      service.record.technician = "Bench";
      service.pdf = std::string(20000, 'p');
      content = service;
    } else if (i % 3 == 0) {
      content = OperationContent{
          "Write", "F1.6 = 2 (30Hz)", "done", {"F1.6 Value Write Sucess!"}, "COM1"};
    } else {
      content = Read(static_cast<long long>(i));
    }
    Record r = MakeRecord(std::move(content), kBenchAuthor, scale);
    r.at =
        UtcText(std::chrono::system_clock::time_point(std::chrono::seconds(1700000000 + i * 60)));
    batch.push_back(std::move(r));
    if (batch.size() == 5000 || i + 1 == count) {
      if (!store.AddAll(batch, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
      }
      batch.clear();
    }
  }
  return true;
}

}  // namespace tamarack::bench
