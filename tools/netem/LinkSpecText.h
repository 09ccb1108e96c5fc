// The link description text, for the command line and scenario files (syntax in README.md):
//   loss=2%,burst=gilbert:p=1%:r=30%,delay=40ms,jitter=10ms,rate=1500kbps,queue=50,dup=0.5%,reorder=1%
// and for both directions of a client: "delay=20ms; up: rate=1mbps; down: loss=1%".
#pragma once

#include <string>
#include <string_view>

#include "netem/LinkSpec.h"

namespace zrtc {
namespace netem {

// Applies the keys named in `text` over *profile, leaving the others as they are: parse over LinkSpec{}
// for a full description, over the running profile for a change at run time. Empty text changes
// nothing. On bad text *profile is untouched, *error (if given) says what and where, a line is logged,
// and false is returned.
bool ParseLinkSpec(std::string_view text, LinkSpec* profile, std::string* error);

// Sections separated by ';'. A section starting "up:" or "down:" applies to that direction, a bare
// one to both; sections apply in order. Same error rules as ParseLinkSpec.
bool ParseDuplexSpec(std::string_view text, DuplexSpec* profile, std::string* error);

// The keys whose values differ from LinkSpec{}, in a fixed order: parsing the result over
// LinkSpec{} gives `profile` back. A clean link formats as "".
std::string FormatLinkSpec(const LinkSpec& profile);
// "up: <link>; down: <link>", or the bare link when both directions are the same.
std::string FormatDuplexSpec(const DuplexSpec& profile);

}  // namespace netem
}  // namespace zrtc
