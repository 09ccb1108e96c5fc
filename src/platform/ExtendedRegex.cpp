#include "platform/ExtendedRegex.h"

#include <cstring>

namespace NetBit {

namespace {

// POSIX's minimum for RE_DUP_MAX; larger bounds are refused.
constexpr int kMaxRepeat = 255;
constexpr int kInfinite = -1;
// Upper bound on the work of expanding repetitions, counted in visited pattern nodes: patterns
// such as "((){255}){255}" expand to nothing yet would keep the compiler busy.
constexpr size_t kMaxCompileSteps = 1 << 16;

using ByteSet = std::array<uint64_t, 4>;

void Add(ByteSet* set, unsigned c) { (*set)[c >> 6] |= uint64_t{1} << (c & 63); }
bool Has(const ByteSet& set, unsigned char c) { return (set[c >> 6] >> (c & 63)) & 1; }
void AddRange(ByteSet* set, unsigned from, unsigned to) {
    for (unsigned c = from; c <= to; ++c) Add(set, c);
}
void Invert(ByteSet* set) {
    for (uint64_t& w : *set) w = ~w;
}

bool IsWordByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Character classes of the C locale. False for an unknown name.
bool AddClass(ByteSet* set, const std::string& name) {
    if (name == "alpha" || name == "alnum" || name == "upper") AddRange(set, 'A', 'Z');
    if (name == "alpha" || name == "alnum" || name == "lower") AddRange(set, 'a', 'z');
    if (name == "alnum" || name == "digit" || name == "xdigit") AddRange(set, '0', '9');
    if (name == "xdigit") {
        AddRange(set, 'A', 'F');
        AddRange(set, 'a', 'f');
    }
    if (name == "blank") {
        Add(set, ' ');
        Add(set, '\t');
    }
    if (name == "space") {
        Add(set, ' ');
        AddRange(set, '\t', '\r');
    }
    if (name == "cntrl") {
        AddRange(set, 0, 31);
        Add(set, 127);
    }
    if (name == "graph") AddRange(set, 33, 126);
    if (name == "print") AddRange(set, 32, 126);
    if (name == "punct") {
        for (unsigned c = 33; c <= 126; ++c)
            if (!IsWordByte(static_cast<unsigned char>(c)) || c == '_') Add(set, c);
    }
    static const char* const kNames[] = {"alpha", "alnum", "upper", "lower", "digit", "xdigit",
                                         "blank", "space", "cntrl", "graph", "print", "punct"};
    for (const char* known : kNames)
        if (name == known) return true;
    return false;
}

}  // namespace

// Recursive descent over the pattern into a small syntax tree, then code for the automaton.
class ExtendedRegex::Parser {
public:
    Parser(const char* pattern, ExtendedRegex* out) : mP(pattern), mOut(out) {}

    bool Run() {
        int root = -1;
        if (!Alternation(0, &root) || *mP != '\0') return false;
        if (!Emit(root)) return false;
        return Push({Op::kMatch, Assertion::kBegin, 0, 0});
    }

private:
    enum class Kind { kEmpty, kSet, kAssert, kConcat, kAlt, kRepeat };
    struct Node {
        Kind kind;
        uint32_t set = 0;
        Assertion assertion = Assertion::kBegin;
        int min = 0, max = 0;
        std::vector<int> kids;
    };

    int NewNode(Kind kind) {
        mNodes.push_back(Node{kind, 0, Assertion::kBegin, 0, 0, {}});
        return static_cast<int>(mNodes.size() - 1);
    }

    int SetNode(const ByteSet& set) {
        const int n = NewNode(Kind::kSet);
        mNodes[n].set = static_cast<uint32_t>(mOut->mSets.size());
        mOut->mSets.push_back(set);
        return n;
    }

    int AssertNode(Assertion a) {
        const int n = NewNode(Kind::kAssert);
        mNodes[n].assertion = a;
        return n;
    }

    bool Alternation(int depth, int* out) {
        int first = -1;
        if (!Branch(depth, &first)) return false;
        if (*mP != '|') {
            *out = first;
            return true;
        }
        const int alt = NewNode(Kind::kAlt);
        mNodes[alt].kids.push_back(first);
        while (*mP == '|') {
            ++mP;
            int next = -1;
            if (!Branch(depth, &next)) return false;
            mNodes[alt].kids.push_back(next);
        }
        *out = alt;
        return true;
    }

    bool Branch(int depth, int* out) {
        const int concat = NewNode(Kind::kConcat);
        // Inside a group ')' closes it; at the top a lone ')' is an ordinary character.
        while (*mP && *mP != '|' && !(*mP == ')' && depth > 0)) {
            int piece = -1;
            if (!Piece(depth, &piece)) return false;
            mNodes[concat].kids.push_back(piece);
        }
        *out = concat;
        return true;
    }

    static bool IsRepeat(char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }

    bool Piece(int depth, int* out) {
        int atom = -1;
        if (!Atom(depth, &atom)) return false;
        while (IsRepeat(*mP)) {
            if (mNodes[atom].kind == Kind::kAssert) return false;  // "^*": nothing to repeat
            int min = 0, max = kInfinite;
            const char c = *mP++;
            if (c == '+') {
                min = 1;
            } else if (c == '?') {
                max = 1;
            } else if (c == '{' && !Bound(&min, &max)) {
                return false;
            }
            const int rep = NewNode(Kind::kRepeat);
            mNodes[rep].min = min;
            mNodes[rep].max = max;
            mNodes[rep].kids.push_back(atom);
            atom = rep;
        }
        *out = atom;
        return true;
    }

    bool Number(int* out) {
        if (*mP < '0' || *mP > '9') return false;
        int n = 0;
        while (*mP >= '0' && *mP <= '9') {
            n = n * 10 + (*mP++ - '0');
            if (n > kMaxRepeat) return false;
        }
        *out = n;
        return true;
    }

    // After '{': "m}", "m,}", "m,n}" or ",n}".
    bool Bound(int* min, int* max) {
        const bool has_min = Number(min);
        if (!has_min) *min = 0;
        if (*mP == ',') {
            ++mP;
            if (!Number(max)) *max = kInfinite;
            if (!has_min && *max == kInfinite) return false;  // "{,}"
        } else {
            if (!has_min) return false;
            *max = *min;
        }
        if (*mP != '}') return false;
        ++mP;
        return *max == kInfinite || *min <= *max;
    }

    bool Atom(int depth, int* out) {
        const char c = *mP++;
        ByteSet set{};
        switch (c) {
            case '(':
                if (!Alternation(depth + 1, out) || *mP != ')') return false;  // unbalanced
                ++mP;
                return true;
            case '*':
            case '+':
            case '?':
            case '{':
                return false;  // a repetition of nothing
            case '.':
                AddRange(&set, 1, 255);
                *out = SetNode(set);
                return true;
            case '^':
                *out = AssertNode(Assertion::kBegin);
                return true;
            case '$':
                *out = AssertNode(Assertion::kEnd);
                return true;
            case '[':
                if (!Bracket(&set)) return false;
                *out = SetNode(set);
                return true;
            case '\\':
                return Escape(out);
            default:
                Add(&set, static_cast<unsigned char>(c));
                *out = SetNode(set);
                return true;
        }
    }

    bool Escape(int* out) {
        const char c = *mP;
        if (c == '\0') return false;
        ++mP;
        ByteSet set{};
        switch (c) {
            case 'w':
            case 'W':
                for (unsigned b = 0; b < 256; ++b)
                    if (IsWordByte(static_cast<unsigned char>(b))) Add(&set, b);
                if (c == 'W') Invert(&set);
                break;
            case 's':
            case 'S':
                AddClass(&set, "space");
                if (c == 'S') Invert(&set);
                break;
            case 'b': *out = AssertNode(Assertion::kWordBoundary); return true;
            case 'B': *out = AssertNode(Assertion::kNotWordBoundary); return true;
            case '<': *out = AssertNode(Assertion::kWordStart); return true;
            case '>': *out = AssertNode(Assertion::kWordEnd); return true;
            case '`': *out = AssertNode(Assertion::kBegin); return true;
            case '\'': *out = AssertNode(Assertion::kEnd); return true;
            default:
                if (c >= '1' && c <= '9') return false;  // back-references: not regular
                Add(&set, static_cast<unsigned char>(c));
                break;
        }
        *out = SetNode(set);
        return true;
    }

    // One bracket element that can end a range: a byte, "[.c.]" or "[=c=]". False for a class.
    bool RangeEnd(unsigned* out) {
        if (mP[0] == '[' && (mP[1] == '.' || mP[1] == '=')) {
            const char kind = mP[1];
            if (mP[2] == '\0' || mP[3] != kind || mP[4] != ']') return false;  // one character only
            *out = static_cast<unsigned char>(mP[2]);
            mP += 5;
            return true;
        }
        if (mP[0] == '\0' || (mP[0] == '[' && mP[1] == ':')) return false;
        *out = static_cast<unsigned char>(*mP++);
        return true;
    }

    // After '[': the list up to its ']'.
    bool Bracket(ByteSet* set) {
        const bool negate = *mP == '^';
        if (negate) ++mP;
        bool first = true;
        while (first || *mP != ']') {
            if (*mP == '\0') return false;
            if (mP[0] == '[' && mP[1] == ':') {
                const char* end = std::strstr(mP + 2, ":]");
                if (!end || !AddClass(set, std::string(mP + 2, end))) return false;
                mP = end + 2;
                if (*mP == '-' && mP[1] != ']') return false;  // a class cannot start a range
                first = false;
                continue;
            }
            unsigned from = 0;
            if (!RangeEnd(&from)) return false;
            unsigned to = from;
            if (*mP == '-' && mP[1] != ']' && mP[1] != '\0') {
                ++mP;
                if (!RangeEnd(&to) || to < from) return false;
            }
            AddRange(set, from, to);
            first = false;
        }
        ++mP;  // the closing ']'
        if (negate) Invert(set);
        return true;
    }

    bool Push(const Instruction& ins) {
        if (mOut->mProgram.size() >= kMaxProgramSize) return false;
        mOut->mProgram.push_back(ins);
        return true;
    }

    uint32_t Here() const { return static_cast<uint32_t>(mOut->mProgram.size()); }

    bool Emit(int n) {
        if (++mSteps > kMaxCompileSteps) return false;
        const Node& node = mNodes[n];
        switch (node.kind) {
            case Kind::kEmpty:
                return true;
            case Kind::kSet:
                return Push({Op::kByte, Assertion::kBegin, node.set, 0});
            case Kind::kAssert:
                return Push({Op::kAssert, node.assertion, 0, 0});
            case Kind::kConcat:
                for (int kid : node.kids)
                    if (!Emit(kid)) return false;
                return true;
            case Kind::kAlt: {
                std::vector<uint32_t> jumps;
                for (size_t i = 0; i < node.kids.size(); ++i) {
                    uint32_t split = 0;
                    const bool last = i + 1 == node.kids.size();
                    if (!last) {
                        split = Here();
                        if (!Push({Op::kSplit, Assertion::kBegin, split + 1, 0})) return false;
                    }
                    if (!Emit(node.kids[i])) return false;
                    if (!last) {
                        jumps.push_back(Here());
                        if (!Push({Op::kJmp, Assertion::kBegin, 0, 0})) return false;
                        mOut->mProgram[split].y = Here();
                    }
                }
                for (uint32_t j : jumps) mOut->mProgram[j].x = Here();
                return true;
            }
            case Kind::kRepeat: {
                const int kid = node.kids[0];
                if (node.max == kInfinite && node.min >= 1) {
                    // e{m,}: m - 1 copies, then one copy that loops back: "+" costs one copy.
                    for (int i = 1; i < node.min; ++i)
                        if (!Emit(kid)) return false;
                    const uint32_t body = Here();
                    if (!Emit(kid)) return false;
                    return Push({Op::kSplit, Assertion::kBegin, body, Here() + 1});
                }
                for (int i = 0; i < node.min; ++i)
                    if (!Emit(kid)) return false;
                if (node.max == kInfinite) {
                    const uint32_t loop = Here();
                    if (!Push({Op::kSplit, Assertion::kBegin, loop + 1, 0}) || !Emit(kid) ||
                        !Push({Op::kJmp, Assertion::kBegin, loop, 0}))
                        return false;
                    mOut->mProgram[loop].y = Here();
                    return true;
                }
                std::vector<uint32_t> splits;
                for (int i = node.min; i < node.max; ++i) {
                    splits.push_back(Here());
                    if (!Push({Op::kSplit, Assertion::kBegin, Here() + 1, 0}) || !Emit(kid)) return false;
                }
                for (uint32_t s : splits) mOut->mProgram[s].y = Here();
                return true;
            }
        }
        return false;
    }

    const char* mP;
    ExtendedRegex* mOut;
    std::vector<Node> mNodes;
    size_t mSteps = 0;
};

bool ExtendedRegex::Compile(const char* pattern) {
    mProgram.clear();
    mSets.clear();
    mCompiled = false;
    if (!pattern || strnlen(pattern, kMaxPatternBytes + 1) > kMaxPatternBytes) return false;
    mCompiled = Parser(pattern, this).Run();
    if (!mCompiled) {
        mProgram.clear();
        mSets.clear();
    }
    return mCompiled;
}

bool ExtendedRegex::AssertionHolds(Assertion a, const std::string& s, size_t pos) {
    const size_t len = s.size();
    const bool before = pos > 0 && IsWordByte(static_cast<unsigned char>(s[pos - 1]));
    const bool after = pos < len && IsWordByte(static_cast<unsigned char>(s[pos]));
    switch (a) {
        case Assertion::kBegin: return pos == 0;
        case Assertion::kEnd: return pos == len;
        case Assertion::kWordBoundary: return before != after;
        case Assertion::kNotWordBoundary: return before == after;
        case Assertion::kWordStart: return !before && after;
        case Assertion::kWordEnd: return before && !after;
    }
    return false;
}

bool ExtendedRegex::Matches(const std::string& text) const {
    if (!mCompiled) return false;
    // Like regexec, the subject ends at its first NUL.
    const std::string subject(text.c_str());
    const size_t n = mProgram.size();
    std::vector<size_t> mark(n, static_cast<size_t>(-1));  // list generation that holds each state
    std::vector<uint32_t> current, next, stack;
    current.reserve(n);
    next.reserve(n);
    stack.reserve(n);
    // Adds the closure of `pc` at `pos` to `list`; true when it reaches the match.
    auto add = [&](std::vector<uint32_t>& list, uint32_t pc, size_t pos) {
        stack.push_back(pc);
        while (!stack.empty()) {
            const uint32_t at = stack.back();
            stack.pop_back();
            if (mark[at] == pos) continue;
            mark[at] = pos;
            const Instruction& ins = mProgram[at];
            switch (ins.op) {
                case Op::kByte: list.push_back(at); break;
                case Op::kJmp: stack.push_back(ins.x); break;
                case Op::kSplit:
                    stack.push_back(ins.y);
                    stack.push_back(ins.x);
                    break;
                case Op::kAssert:
                    if (AssertionHolds(ins.assertion, subject, pos)) stack.push_back(at + 1);
                    break;
                case Op::kMatch: stack.clear(); return true;
            }
        }
        return false;
    };
    for (size_t pos = 0;; ++pos) {
        if (add(current, 0, pos)) return true;  // a match may start anywhere
        if (pos == subject.size()) return false;
        const unsigned char c = static_cast<unsigned char>(subject[pos]);
        for (uint32_t pc : current)
            if (Has(mSets[mProgram[pc].x], c) && add(next, pc + 1, pos + 1)) return true;
        current.swap(next);
        next.clear();
    }
}

}  // namespace NetBit
