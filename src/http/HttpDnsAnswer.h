// Reading an HTTP-DNS answer:
//
//   {"dns_info": [ {"ip": ["192.0.2.1", "192.0.2.2"], ...}, ... ], ...}
//
// Only the first element of "dns_info" is read. Its "ip" array is scanned for the first string
// that is an IPv4 or IPv6 address in text form and fits the output buffer.
#pragma once

#include <cstddef>

namespace ZeqUtils {

// The longest answer read. The resolver fetches answers into a 4096-byte buffer; the bound keeps
// nesting, and so the work of reading and freeing a document, small.
constexpr size_t kMaxHttpDnsAnswerBytes = 4096;

// Copies the address (NUL-terminated) into `ip`. False, with a log line naming what was wrong,
// for text that is not JSON of the shape above, has no usable address, or is longer than
// kMaxHttpDnsAnswerBytes; `ip` is then left empty (when ip_size > 0).
bool ParseHttpDnsAnswer(const char* body, size_t len, char* ip, size_t ip_size);

}  // namespace ZeqUtils
