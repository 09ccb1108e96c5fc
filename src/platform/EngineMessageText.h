// Reading back an engine-message text:
//   code=<u>,when=<ms>,where=<source>,who=<id>,desc="<key>:<value>,<key>:<value>..."
#pragma once

#include <cstdint>
#include <string>

namespace NetBit {

// Reads when, where and who, and appends every description piece "key:value" to `pairs` as
// "key=value&" (the key is the text before the first ':'). False, with an error line naming the
// step and the text, for a text that does not have this form; nothing is written then. An empty
// description is valid and appends nothing. The second argument is not used.
bool parse_message_string(const char* text, int ignored, int64_t* when, std::string* where, uint32_t* who,
                          std::string* pairs);

}  // namespace NetBit
