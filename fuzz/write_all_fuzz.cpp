// Builds the write-all block from arbitrary field texts and option codes. Whatever the input, the
// block is 47 bytes with zeros where no parameter sits; whenever Write All would accept the fields,
// the simulated indicator's own decoder must read back exactly the values the fields hold.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "setup/bulk_ops.h"
#include "setup/write_all_block.h"
#include "sim/write_all_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tamarack;
  SetupModel model = OpeningModel("07-12-2026", "09:30:45");
  // The first bytes pick the option codes (mostly valid ones), the rest are the eight texts
  // separated by line feeds.
  std::size_t at = 0;
  for (const SetupParam& p : SetupParams()) {
    if (p.kind != ParamKind::kChoice || at >= size) continue;
    const auto byte = static_cast<std::int8_t>(data[at++]);
    const int options = static_cast<int>(p.options.size());
    model.choice[RowIndex(p)] = byte >= 0 ? byte % (options + 1) : byte;
  }
  const std::string rest(reinterpret_cast<const char*>(data) + at, size - at);
  std::size_t start = 0;
  for (std::string& text : model.newValue) {
    if (start > rest.size()) break;
    const std::size_t end = rest.find('\n', start);
    text = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? rest.size() + 1 : end + 1;
  }

  const WriteAllBlock block = BuildWriteAllBlock(model);
  std::array<bool, kWriteAllBlockSize> used{};
  for (const SetupParam& p : SetupParams()) {
    for (std::size_t i = 0; i < BlockFieldSize(p.block); ++i) used.at(p.block.offset + i) = true;
  }
  for (std::size_t i = 0; i < block.size(); ++i) {
    if (!used[i] && block[i] != 0) std::abort();
  }
  if (!FirstUnwritableField(model).empty()) return 0;

  const auto decoded = sim::DecodeWriteAllBlock(block);
  if (!decoded) std::abort();
  for (const sim::DecodedParam& d : *decoded) {
    const SetupParam& p = *d.param;
    if (const int slot = NewValueSlot(p); slot >= 0) {
      const std::string& text = model.newValue[static_cast<std::size_t>(slot)];
      if (d.value != std::string(6 - text.size(), '0') + text) std::abort();
    } else {
      const int code = model.choice[RowIndex(p)];
      if (d.value !=
          std::string(1, static_cast<char>('0' + code / 10)) + static_cast<char>('0' + code % 10)) {
        std::abort();
      }
    }
  }
  return 0;
}
