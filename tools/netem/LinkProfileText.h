// The link description text, for the command line and scenario files (syntax in README.md):
//   loss=2%,burst=gilbert:p=1%:r=30%,delay=40ms,jitter=10ms,rate=1500kbps,queue=50,dup=0.5%,reorder=1%
// and for both directions of a client: "delay=20ms; up: rate=1mbps; down: loss=1%".
#pragma once

#include <string>
#include <string_view>

#include "netem/LinkProfile.h"

namespace zrtc {
namespace netem {

// Applies the keys named in `text` over *profile, leaving the others as they are: parse over LinkProfile{}
// for a full description, over the running profile for a change at run time. Empty text changes
// nothing. On bad text *profile is untouched, *error (if given) says what and where, a line is logged,
// and false is returned.
bool ParseLinkProfile(std::string_view text, LinkProfile* profile, std::string* error);

// Sections separated by ';'. A section starting "up:" or "down:" applies to that direction, a bare
// one to both; sections apply in order. Same error rules as ParseLinkProfile.
bool ParseDuplexProfile(std::string_view text, DuplexProfile* profile, std::string* error);

// The keys whose values differ from LinkProfile{}, in a fixed order: parsing the result over
// LinkProfile{} gives `profile` back. A clean link formats as "".
std::string FormatLinkProfile(const LinkProfile& profile);
// "up: <link>; down: <link>", or the bare link when both directions are the same.
std::string FormatDuplexProfile(const DuplexProfile& profile);

}  // namespace netem
}  // namespace zrtc
