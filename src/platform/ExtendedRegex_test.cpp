// The extended-regex matcher, checked against the C library's regcomp/regexec on the same
// patterns and subjects, and on patterns that make a backtracking or expanding compiler explode.
#include "platform/ExtendedRegex.h"

#include <gtest/gtest.h>
#include <regex.h>

#include <random>
#include <string>
#include <vector>

namespace {

using NetBit::ExtendedRegex;

// -1: does not compile; 0: no match; 1: match.
int Reference(const std::string& pattern, const std::string& subject) {
    regex_t re;
    if (regcomp(&re, pattern.c_str(), REG_EXTENDED | REG_NOSUB) != 0) return -1;
    const int rc = regexec(&re, subject.c_str(), 0, nullptr, 0) == 0 ? 1 : 0;
    regfree(&re);
    return rc;
}

int Ours(const std::string& pattern, const std::string& subject) {
    ExtendedRegex re;
    if (!re.Compile(pattern.c_str())) return -1;
    return re.Matches(subject) ? 1 : 0;
}

const char* const kSubjects[] = {
    "", "Harmony", "HarmonyOS", "Android", "4.0.1.310", "4.1", "10.0", "phone", "pad", "tablet", "2.6.2",
    "a", "aa", "aaa", "ab", "abab", "b", "a-b", "x_y z", "A]B", "[x]", "a.b", "a+b", "\t \n", "caf\xc3\xa9",
};

TEST(ExtendedRegex, AgreesWithTheCLibraryOnATableOfPatterns) {
    const char* const patterns[] = {
        "^Har", "^And", "mony$", "^Harmony$", "arm", "^4\\.", "^4\\.0", "^(phone|pad)$", "^(4|5)\\.[0-9]+",
        "^[0-9]+(\\.[0-9]+)*$", ".", "^.$", "^..$", "^$", "", "a*", "^a*$", "^a+$", "^a?$", "^a{2}$", "^a{2,}$",
        "^a{1,2}$", "^a{,2}$", "^a{0}$", "^(ab)+$", "^(a|b)*$", "^(a|ab)(c|bcd)?", "a|b|c", "(a|)", "x|", "()",
        "(()|a)+", "^[abc]$", "^[^abc]", "[a-c]", "[]a]", "[^]a]", "^[]]", "[a-]", "[-a]", "[[:digit:]]",
        "^[[:alpha:]]+$", "[[:upper:]][[:lower:]]", "[[:space:]]", "[[:punct:]]", "[[:alnum:]_]+", "[[:xdigit:]]{2}",
        "[[:blank:]]", "[[:cntrl:]]", "[[:print:]]", "[[:graph:]]", "[[.a.]]", "[[=a=]b]", "[[.-.]a]", "\\.",
        "\\+", "\\*", "\\[", "\\\\", "\\w+", "\\W", "\\s", "\\S+", "\\bOS", "\\Bmony", "\\<Har", "mony\\>",
        "\\`H", "y\\'", "a\\{", ")", "a)", "^a^", "$a", "a$b", "(^a)", "(a$)", "^(a|^b)", "(a)(b)", "((a))",
        "a**", "a+?", "(a*)*", "(a*)+$", "((a?)?)?b", "[a-z]{3,5}", "Har{0,1}mony", "[\xc3][\xa9]", "\xc3\xa9$",
        // Malformed: refused by both.
        "(", "(a", "a(b", "[", "[a", "[]", "[^]", "*a", "+a", "?a", "a|*b", "(*a)", "a{", "a{x}", "a{1", "a{2,1}",
        "a{1,x}", "[[:nope:]]", "[z-a]", "\\", "a\\", "^*", "[[:alpha:]-z]", "[[.ab.]]", "{1}",
    };
    int compared = 0;
    for (const char* pattern : patterns) {
        for (const char* subject : kSubjects) {
            ASSERT_EQ(Ours(pattern, subject), Reference(pattern, subject))
                << "pattern /" << pattern << "/ subject \"" << subject << "\"";
            ++compared;
        }
    }
    EXPECT_GT(compared, 1000);
}

// Random well-formed patterns over a small alphabet, kept shallow so that the reference stays fast.
class PatternGenerator {
public:
    explicit PatternGenerator(unsigned seed) : mRng(seed) {}

    std::string Next() { return Alternation(0); }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(mRng); }

    std::string Alternation(int depth) {
        std::string out = Branch(depth);
        while (Pick(4) == 0) out += "|" + Branch(depth);
        return out;
    }
    std::string Branch(int depth) {
        std::string out;
        const int pieces = 1 + Pick(4);
        for (int i = 0; i < pieces; ++i) out += Piece(depth);
        return out;
    }
    std::string Piece(int depth) {
        std::string atom = Atom(depth);
        if (atom == "^" || atom == "$") return atom;
        static const char* const kRepeats[] = {"", "", "", "*", "+", "?", "{2}", "{0,2}", "{1,}", "{,1}"};
        return atom + kRepeats[Pick(10)];
    }
    std::string Atom(int depth) {
        // Anchors only outside groups: the reference wrongly matches some repeated groups that
        // hold '$' (for "([^a]+$|[^a]{2}){2}.." it reports a match in "c1x1x").
        static const char* const kAtoms[] = {"a", "b", "c", ".", "[ab]", "[^a]", "[[:digit:]]", "1", "\\.", "^", "$"};
        if (depth < 2 && Pick(5) == 0) return "(" + Alternation(depth + 1) + ")";
        return kAtoms[Pick(depth == 0 ? 11 : 9)];
    }

    std::mt19937 mRng;
};

TEST(ExtendedRegex, AgreesWithTheCLibraryOnRandomPatterns) {
    PatternGenerator gen(2024);
    std::mt19937 rng(7);
    const std::string alphabet = "abc1.x";
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string pattern = gen.Next();
        if (pattern.size() > ExtendedRegex::kMaxPatternBytes) continue;
        regex_t reference;
        ASSERT_EQ(regcomp(&reference, pattern.c_str(), REG_EXTENDED | REG_NOSUB), 0) << pattern;
        ExtendedRegex ours;
        ASSERT_TRUE(ours.Compile(pattern.c_str())) << pattern;
        for (int j = 0; j < 8; ++j) {
            std::string subject;
            const int len = std::uniform_int_distribution<int>(0, 7)(rng);
            for (int k = 0; k < len; ++k) subject += alphabet[std::uniform_int_distribution<size_t>(0, 5)(rng)];
            const bool want = regexec(&reference, subject.c_str(), 0, nullptr, 0) == 0;
            EXPECT_EQ(ours.Matches(subject), want) << "pattern /" << pattern << "/ subject \"" << subject << "\"";
            ++compared;
        }
        regfree(&reference);
    }
    EXPECT_GT(compared, 20000);
}

TEST(ExtendedRegex, PatternsThatExplodeElsewhereStayCheapOrAreRefused) {
    // Each of these takes a regex compiler that expands repetitions, or a backtracking matcher,
    // seconds to minutes or gigabytes; here they compile to a bounded program or are refused.
    struct Case {
        const char* pattern;
        int on_a200;  // -1 refused, 0 no match, 1 match against 200 'a' and a '!'
    } cases[] = {
        {"_????{10,}", 1},                                   // nullable: matches anywhere
        {")?_????{10,}", 1},
        {"((((_?)?)?)?){30,}", 1},
        {"(((_?)*)?){100}", 1},
        {"(()*()*()*()*()*()*()*()*()*){100}", 1},
        {"(_a++++++++++++++++++++++++++++++++++++++++++++++++)", 0},
        {"(((){100}){100})", 1},
        {"((a{255}){255}){255}", -1},                        // beyond the program budget
        {"(a|aa)*(a|aa)*(a|aa)*(a|aa)*b", 0},
        {"(a*)*(a*)*(a*)*(a*)*(a*)*b", 0},
        {"^(a+)+$", 0},
    };
    const std::string subject = std::string(200, 'a') + "!";
    for (const Case& c : cases) EXPECT_EQ(Ours(c.pattern, subject), c.on_a200) << c.pattern;
    ExtendedRegex big;
    EXPECT_TRUE(big.Compile("(a|b){255}"));
    EXPECT_TRUE(big.Matches(std::string(255, 'b')));
    EXPECT_FALSE(big.Matches(std::string(254, 'b')));
}

TEST(ExtendedRegex, RefusalsOfItsOwn) {
    ExtendedRegex re;
    EXPECT_FALSE(re.Compile("(a)\\1"));  // back-references describe no regular language
    EXPECT_FALSE(re.Matches("aa"));
    EXPECT_FALSE(re.Compile(nullptr));
    EXPECT_FALSE(re.Compile("a{256}"));  // bounds stop at 255 (the C library allows more)
    EXPECT_TRUE(re.Compile("a{255}"));
    EXPECT_FALSE(re.Compile(std::string(ExtendedRegex::kMaxPatternBytes + 1, 'a').c_str()));
    EXPECT_TRUE(re.Compile(std::string(ExtendedRegex::kMaxPatternBytes, 'a').c_str()));
    ExtendedRegex never;
    EXPECT_FALSE(never.Matches(""));  // nothing compiled
    EXPECT_TRUE(re.Compile("b$"));
    EXPECT_FALSE(re.Matches(std::string("a\0b", 3)));  // the subject ends at its NUL, as for regexec
    EXPECT_TRUE(re.Matches(std::string("b\0a", 3)));
}

}  // namespace
