// POSIX extended regular expressions for match / no-match questions (what regcomp with
// REG_EXTENDED | REG_NOSUB answers), in time linear in pattern size times subject length.
//
// The patterns come from outside (server configuration), so the matcher must stay cheap whatever
// they hold: the pattern compiles to a small program for a breadth-first automaton (every state is
// visited at most once per subject byte), never to backtracking, and compiling is bounded too.
//
// Syntax: alternation '|', groups "()", '*' '+' '?' "{m}" "{m,}" "{m,n}" "{,n}" (bounds up to 255),
// '.', '^' and '$' (anchors anywhere), bracket expressions with ranges, "[:class:]", "[.c.]" and
// "[=c=]", '\' before any character for that character, and the common extensions \w \W \s \S
// (word / space characters) and \b \B \< \> \` \' (boundaries). Bytes compare as in the C locale.
// Back-references (\1 to \9) describe no regular language and are refused, as are a repetition
// with nothing to repeat, unbalanced '(' or '[', a trailing '\' and malformed bounds. A ')'
// without its '(' is an ordinary character.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace NetBit {

// Thread safety: Compile is the owner's; a compiled object may be matched from several threads.
class ExtendedRegex {
public:
    // Longest pattern accepted. Device conditions are short; this keeps parsing trivially cheap.
    static constexpr size_t kMaxPatternBytes = 256;
    // Largest program after bounded repetitions are expanded: "(a|b){255}" fits, while nested
    // bounds that would ask for millions of states are refused.
    static constexpr size_t kMaxProgramSize = 8192;

    // False (and the object matches nothing) for a pattern outside the syntax above or too large.
    bool Compile(const char* pattern);
    // Whether some part of `subject` matches (a search, like regexec). False before Compile.
    bool Matches(const std::string& subject) const;

private:
    enum class Op : uint8_t { kByte, kAssert, kSplit, kJmp, kMatch };
    enum class Assertion : uint8_t { kBegin, kEnd, kWordBoundary, kNotWordBoundary, kWordStart, kWordEnd };
    struct Instruction {
        Op op;
        Assertion assertion;
        uint32_t x;  // kByte: set index; kSplit/kJmp: first target
        uint32_t y;  // kSplit: second target
    };
    using ByteSet = std::array<uint64_t, 4>;

    class Parser;
    friend class Parser;

    static bool AssertionHolds(Assertion a, const std::string& s, size_t pos);

    std::vector<Instruction> mProgram;
    std::vector<ByteSet> mSets;
    bool mCompiled = false;
};

}  // namespace NetBit
