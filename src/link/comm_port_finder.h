#pragma once

#include "link/line_finder.h"

namespace tamarack {

// Opens a CommPort for each try of the finder, with its read time-outs fitted to the setting.
FinderLinkFactory CommPortFinderFactory();

}  // namespace tamarack
