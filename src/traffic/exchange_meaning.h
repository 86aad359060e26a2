#pragma once

#include <string>

#include "link/tracing_link.h"

namespace tamarack {

// What an exchange meant, worded with the system's own request builders and reply decoders:
// "read F1.6: reply F1.6 = 2 (30Hz)", "poll: 25.0 kg Stable Gross", "key TARE: OK",
// "write all (47-byte block): OK", "read F1.6: no reply", "poll: wrong check character".
// The request part comes first, then, after ": ", what the reply said or what was wrong with it.
std::string DescribeExchange(const TracedExchange& exchange);

// The request part alone: "read F1.6", "key TARE", "unknown request".
std::string DescribeRequest(const Frame& request, std::uint32_t waitMs);

}  // namespace tamarack
