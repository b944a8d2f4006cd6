// Statements translated once and run from their translated form. The
// translation reads the statement's tokens without side effects and accepts
// only the shapes whose evaluation it knows exactly: operands are read left to
// right, the left operand of every operator held as a double; products bind
// tighter than sums, sums tighter than comparisons, comparisons tighter than
// AND and OR. The evaluator's own order differs from that only in shapes the
// translation leaves to it (a parenthesis beside a product operator, a call
// with product operators on both sides, a sign before a parenthesis, a second
// comparison, AND or OR outside a condition or a parenthesis). A run that
// would report an error (a subscript out of range, a domain error, an
// overflow, memory) changes nothing and leaves the statement to the
// evaluator, which reports it.
//
// The translation, binding and running walk the statement recursively, so a
// statement nested deeper than the evaluator reads safely (parentheses,
// calls, cells within each other) or whose tree grows too deep (a long
// chain of operators) is left to the evaluator as well: it reads any length
// and reports any nesting past its own limit.
#include "Tlangtranslate.h"

#include "Tlangbuiltins.h"
#include "Tlangengine.h"
#include "Tlangeval.h"
#include "Tlangmaths.h"
#include "Tlangnumbers.h"
#include "Tlangstrings.h"
#include "platform/Text.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <exception>

namespace pevox {

namespace {

bool IsRelational(int token) {
    switch (token) {
    case tok::Less: case tok::Greater: case tok::Equal: case tok::GreaterEqual: case tok::LessEqual:
    case tok::NotEqual:
        return true;
    default:
        return false;
    }
}

bool IsProduct(int token) {
    return token == tok::Multiply || token == tok::Divide || token == tok::IntDivide || token == tok::Mod ||
           token == tok::Power;
}

TranslatedOp ProductOp(int token) {
    switch (token) {
    case tok::Multiply: return TranslatedOp::Multiply;
    case tok::Divide: return TranslatedOp::Divide;
    case tok::IntDivide: return TranslatedOp::IntDivide;
    case tok::Mod: return TranslatedOp::Mod;
    default: return TranslatedOp::Power;
    }
}

// The built-ins a translated statement calls: their arguments and result are
// texts and numbers, and they touch nothing but the script file they read.
enum class BuiltinShape { None, OneText, OneNumber, TextCount, Mid, Instr };

BuiltinShape ShapeOf(int code) {
    switch (code) {
    case fn::Asc: case fn::Len: case fn::Val: case fn::Trim: case fn::LTrim: case fn::RTrim: case fn::LCase:
    case fn::UCase:
        return BuiltinShape::OneText;
    case fn::Chr: case fn::Str: case fn::Sqr: case fn::Sin: case fn::Cos: case fn::Tan: case fn::Atn:
    case fn::ASin: case fn::Hex: case fn::ACos: case fn::Abs: case fn::Sgn: case fn::Int: case fn::Exp:
    case fn::Exp2: case fn::Exp10: case fn::Log: case fn::Log2: case fn::Log10:
    // A file index is read as the one number argument is.
    case fn::FEof: case fn::FTell: case fn::FGetc:
        return BuiltinShape::OneNumber;
    case fn::Left: case fn::Right:
        return BuiltinShape::TextCount;
    case fn::Mid:
        return BuiltinShape::Mid;
    case fn::Instr:
        return BuiltinShape::Instr;
    default:
        return BuiltinShape::None;
    }
}

bool GivesText(int code) {
    switch (code) {
    case fn::Trim: case fn::LTrim: case fn::RTrim: case fn::LCase: case fn::UCase: case fn::Chr: case fn::Str:
    case fn::Hex: case fn::Left: case fn::Right: case fn::Mid:
        return true;
    default:
        return false;
    }
}

// A number a variable can take: the evaluator reports any other.
bool Storable(long double value) { return !std::isnan(value) && std::fabs(value) <= DBL_MAX; }

}  // namespace

// --- Translation --------------------------------------------------------------

class LineTranslator {
public:
    // The evaluator counts a level of its nesting for each parenthesis and
    // about two for each call, cell and operator of a chain it does not read
    // in a loop (a product, AND, OR). Both bounds together stay well within
    // its limit, so that it reports every statement nested too deeply.
    static constexpr int kMaxNesting = 200;
    // The depth of the tree a run walks: a longer chain of operators is left
    // to the evaluator.
    static constexpr int kMaxTreeDepth = 256;

    LineTranslator(TLangEngine& engine, TranslatedStatement& statement) : e_(engine), s_(statement) {}

    bool Assignment() {
        if (!Next() || e_.m_Token != tok::SymbolRef || !e_.m_CurrentSymbol) return false;
        TERP_SYMBOL_TAG* target = e_.m_CurrentSymbol;
        if (target->SymIsConstant) return false;
        Operand operand;
        switch (target->SymKind) {
        case tok::NumberDecl:
        case tok::StringDecl:
            if (!Next()) return false;
            break;
        case tok::NumericArray:
        case tok::StringArray:
            if (!Cell(target, operand, true)) return false;
            s_.targetCell = operand.node;
            s_.targetReadsCells = !s_.cells.empty();
            break;
        default:
            return false;
        }
        s_.target = target;
        if (e_.m_Token != tok::Assign) return false;
        Operator(tok::Assign);
        if (!Next()) return false;
        Operand value;
        if (!Relation(value) || e_.m_Token != tok::EndOfLine) return false;
        if (IsStringKind(target->SymKind) != Node(value).text || tooDeep_) return false;
        s_.root = value.node;
        return true;
    }

    // A condition, or a CASE item; `afterComma`: an item after the comma of
    // a list, where the evaluator reads a leading NOT as it does in an
    // argument after a comma.
    bool Condition(int endToken, bool afterComma) {
        if (!Next()) return false;
        afterComma_ = afterComma;
        Operand value;
        if (!Logical(value) || e_.m_Token != endToken || Node(value).text || tooDeep_) return false;
        s_.root = value.node;
        s_.valueKind = value.kind;
        return true;
    }

private:
    // How an operand was written, which decides how the evaluator goes on
    // after it.
    enum class Form { Direct, NegatedDirect, NotDirect, Call, Other };
    struct Operand {
        std::int32_t node = -1;
        Form form = Form::Direct;
        int kind = tok::NumberLiteral;  // what the evaluator's m_SavedToken holds after it
    };

    TranslatedNode& Node(const Operand& operand) { return s_.nodes[static_cast<std::size_t>(operand.node)]; }

    // A tree grown too deep ends the translation at its next token.
    bool Next() { return !tooDeep_ && e_.FetchSkipping() && !e_.m_StopRequested; }

    // A parenthesis, a call or a cell within another: false once too deep.
    class Nested {
    public:
        explicit Nested(LineTranslator& translator) : nesting_(translator.nesting_) { ++nesting_; }
        ~Nested() { --nesting_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;
        bool Allowed() const { return nesting_ <= kMaxNesting; }

    private:
        int& nesting_;
    };

    void Operator(int token) {
        if (countOperators_) s_.lastPrecedence = OperatorPrecedenceCode(token);
    }

    std::int32_t Add(TranslatedNode node) {
        int depth = 1;
        for (int i = 0; i < node.argumentCount; ++i)
            depth = std::max(depth, depths_[static_cast<std::size_t>(node.arguments[static_cast<std::size_t>(i)])] + 1);
        tooDeep_ = tooDeep_ || depth > kMaxTreeDepth;
        depths_.push_back(depth);
        s_.nodes.push_back(std::move(node));
        return static_cast<std::int32_t>(s_.nodes.size() - 1);
    }

    std::int32_t Binary(TranslatedOp op, bool text, const Operand& left, const Operand& right, int code = 0) {
        TranslatedNode node;
        node.op = op;
        node.text = text;
        node.code = code;
        node.argumentCount = 2;
        node.arguments[0] = left.node;
        node.arguments[1] = right.node;
        return Add(std::move(node));
    }

    // Relation { (AND | OR) Relation }, all numbers.
    bool Logical(Operand& out) {
        if (!Relation(out)) return false;
        while (e_.m_Token == tok::And || e_.m_Token == tok::Or) {
            const int op = e_.m_Token;
            Operator(op);
            if (Node(out).text || !Next()) return false;
            Operand right;
            if (!Relation(right) || Node(right).text) return false;
            out.node = Binary(op == tok::And ? TranslatedOp::And : TranslatedOp::Or, false, out, right);
            out.form = Form::Other;
            out.kind = tok::NumberLiteral;
        }
        return true;
    }

    // Sum [relop Sum]: one comparison of two numbers or two texts.
    bool Relation(Operand& out) {
        if (!Sum(out)) return false;
        if (!IsRelational(e_.m_Token)) return true;
        const int op = e_.m_Token;
        Operator(op);
        if (!Next()) return false;
        Operand right;
        if (!Sum(right) || IsRelational(e_.m_Token)) return false;
        if (Node(out).text != Node(right).text) return false;
        out.node = Binary(TranslatedOp::Compare, false, out, right, op);
        out.form = Form::Other;
        out.kind = tok::NumberLiteral;
        return true;
    }

    // Product { (+ | -) Product }: numbers, or a text joined with texts and numbers.
    bool Sum(Operand& out) {
        if (!Product(out)) return false;
        while (e_.m_Token == tok::Plus || e_.m_Token == tok::Minus) {
            const int op = e_.m_Token;
            Operator(op);
            if (!Next()) return false;
            Operand right;
            if (!Product(right)) return false;
            const bool text = Node(out).text;
            if (text) {
                if (op != tok::Plus) return false;
                out.node = Binary(TranslatedOp::Join, true, out, right);
                out.kind = tok::StringLiteral;
            } else {
                if (Node(right).text) return false;
                out.node = Binary(op == tok::Plus ? TranslatedOp::Add : TranslatedOp::Subtract, false, out, right);
                out.kind = tok::NumberLiteral;
            }
            out.form = Form::Other;
        }
        return true;
    }

    // Unary { product-operator Unary }. Only plain operands (numbers,
    // variables, cells, each with a sign) stand beside a product operator,
    // and calls first or last in the product; NOT only first or last.
    bool Product(Operand& out) {
        if (!Unary(out)) return false;
        int factors = 1;
        while (IsProduct(e_.m_Token)) {
            const int op = e_.m_Token;
            if (Node(out).text) return false;
            if (out.form == Form::Other || (out.form == Form::NotDirect && factors > 1)) return false;
            Operator(op);
            if (!Next()) return false;
            Operand right;
            // A call ends the product: the evaluator reads a product operator
            // after it in an order of its own.
            if (!Unary(right) || Node(right).text || right.form == Form::Other ||
                (right.form == Form::Call && IsProduct(e_.m_Token)))
                return false;
            out.node = Binary(ProductOp(op), false, out, right, op);
            // The evaluator goes on from the right operand's own token.
            out.kind = right.kind;
            out.form = right.form;
            ++factors;
        }
        if (factors > 1) out.form = Form::Other;
        return true;
    }

    bool Unary(Operand& out) {
        const int op = e_.m_Token;
        // After the comma of an argument the evaluator takes a sign that
        // follows NOT's operand for a sign of its own.
        const bool afterComma = afterComma_;
        afterComma_ = false;
        if (op != tok::Minus && op != tok::Not) return Primary(out);
        if (inSubscript_ || (op == tok::Not && afterComma)) return false;
        Operator(op);
        if (!Next()) return false;
        const bool plain = e_.m_Token == tok::NumberLiteral || e_.m_Token == tok::SymbolRef;
        if (op == tok::Minus && !plain) return false;
        if (!Primary(out) || Node(out).text) return false;
        TranslatedNode node;
        node.op = op == tok::Minus ? TranslatedOp::Negate : TranslatedOp::Not;
        node.argumentCount = 1;
        node.arguments[0] = out.node;
        out.node = Add(std::move(node));
        if (op == tok::Minus) {
            out.form = Form::NegatedDirect;
            return true;
        }
        out.form = plain ? Form::NotDirect : Form::Other;
        out.kind = tok::NumberLiteral;
        // NOT of a parenthesis leaves the parenthesis closed as a complete
        // value, where a comparison or AND ends its right side.
        const int after = e_.m_Token;
        return plain || !(IsProduct(after) || after == tok::Plus || after == tok::Minus || IsRelational(after));
    }

    bool Primary(Operand& out) {
        out = Operand();
        const int token = e_.m_Token;
        if (token == tok::NumberLiteral || token == tok::StringLiteral) {
            TranslatedNode node;
            node.op = token == tok::NumberLiteral ? TranslatedOp::Number : TranslatedOp::Text;
            node.text = token == tok::StringLiteral;
            node.number = e_.m_NumValue;
            if (node.text) node.literal = e_.m_TokenText;
            out.node = Add(std::move(node));
            out.kind = token;
            return Next();
        }
        if (token == tok::SymbolRef) {
            TERP_SYMBOL_TAG* symbol = e_.m_CurrentSymbol;
            if (!symbol) return false;
            out.kind = tok::SymbolRef;
            if (symbol->SymKind == tok::NumberDecl || symbol->SymKind == tok::StringDecl) {
                TranslatedNode node;
                node.op = symbol->SymKind == tok::NumberDecl ? TranslatedOp::NumberVariable : TranslatedOp::TextVariable;
                node.text = symbol->SymKind == tok::StringDecl;
                node.symbol = symbol;
                out.node = Add(std::move(node));
                s_.lastSymbol = symbol;
                return Next();
            }
            if (symbol->SymKind == tok::NumericArray || symbol->SymKind == tok::StringArray)
                return Cell(symbol, out, false);
            return false;
        }
        if (token == tok::OpenParen) {
            const Nested nested(*this);
            if (!nested.Allowed() || !Next()) return false;
            if (!Logical(out) || e_.m_Token != tok::CloseParen) return false;
            out.form = Form::Other;
            return Next();
        }
        if (IsBuiltinCode(token)) return Call(token, out);
        return false;
    }

    // A cell: the array's name is current. Its subscripts are sums of plain
    // operands; the evaluator keeps its own state around them.
    bool Cell(TERP_SYMBOL_TAG* array, Operand& out, bool target) {
        const Nested nested(*this);
        if (!nested.Allowed() || !Next() || e_.m_Token != tok::OpenParen) return false;
        TranslatedNode node;
        node.op = array->SymKind == tok::NumericArray ? TranslatedOp::NumberCell : TranslatedOp::TextCell;
        node.text = array->SymKind == tok::StringArray;
        node.symbol = array;
        node.argumentCount = array->SymDims;
        if (node.argumentCount < 1 || node.argumentCount > TranslatedNode::kMaxArguments) return false;
        // The evaluator keeps its own state around the subscripts: their
        // operators are not the statement's last, and a sign there would
        // depend on what came before the reference.
        const bool counting = countOperators_;
        countOperators_ = false;
        const bool inSubscript = inSubscript_;
        inSubscript_ = true;
        for (int i = 0; i < node.argumentCount; ++i) {
            if (!Next()) return false;
            Operand subscript;
            if (!Subscript(subscript)) return false;
            node.arguments[static_cast<std::size_t>(i)] = subscript.node;
            if (e_.m_Token != (i + 1 < node.argumentCount ? tok::Comma : tok::CloseParen)) return false;
        }
        countOperators_ = counting;
        inSubscript_ = inSubscript;
        if (!target) {
            node.cellSlot = static_cast<int>(s_.cells.size());
            s_.cells.emplace_back();
        }
        out.node = Add(std::move(node));
        out.kind = tok::SymbolRef;
        out.form = Form::Direct;
        s_.lastSymbol = array;
        return Next();
    }

    bool Subscript(Operand& out) {
        if (!Sum(out) || Node(out).text) return false;
        // A parenthesis or a call in a subscript takes the evaluator's way.
        return SumOfPlainOperands(out.node);
    }

    bool SumOfPlainOperands(std::int32_t index) {
        const TranslatedNode& node = s_.nodes[static_cast<std::size_t>(index)];
        switch (node.op) {
        case TranslatedOp::Number:
        case TranslatedOp::NumberVariable:
        case TranslatedOp::NumberCell:
            return true;
        case TranslatedOp::Negate:
        case TranslatedOp::Add:
        case TranslatedOp::Subtract:
        case TranslatedOp::Multiply:
        case TranslatedOp::Divide:
        case TranslatedOp::IntDivide:
        case TranslatedOp::Mod:
        case TranslatedOp::Power:
            for (int i = 0; i < node.argumentCount; ++i)
                if (!SumOfPlainOperands(node.arguments[static_cast<std::size_t>(i)])) return false;
            return true;
        default:
            return false;
        }
    }

    // A built-in call: the function's token is current and "(" must follow
    // it in the text, as the evaluator reads it.
    bool Call(int code, Operand& out) {
        const BuiltinShape shape = ShapeOf(code);
        const Nested nested(*this);
        if (shape == BuiltinShape::None || !nested.Allowed()) return false;
        int position = e_.m_TextPos;
        while (position <= e_.m_RunTextLength &&
               (e_.m_RunText[static_cast<std::size_t>(position) - 1] == ' ' ||
                e_.m_RunText[static_cast<std::size_t>(position) - 1] == '\t'))
            ++position;
        if (position > e_.m_RunTextLength || e_.m_RunText[static_cast<std::size_t>(position) - 1] != '(') return false;
        if (!Next() || e_.m_Token != tok::OpenParen) return false;
        TranslatedNode node;
        node.op = TranslatedOp::Builtin;
        node.code = code;
        node.text = GivesText(code);
        bool text[TranslatedNode::kMaxArguments] = {};
        for (;;) {
            if (node.argumentCount == TranslatedNode::kMaxArguments || !Next()) return false;
            Operand argument;
            afterComma_ = node.argumentCount > 0;
            if (!Relation(argument)) return false;
            text[node.argumentCount] = Node(argument).text;
            node.arguments[static_cast<std::size_t>(node.argumentCount++)] = argument.node;
            if (e_.m_Token == tok::CloseParen) break;
            if (e_.m_Token != tok::Comma) return false;
        }
        if (!ArgumentsFit(shape, node.argumentCount, text)) return false;
        out.node = Add(std::move(node));
        out.kind = GivesText(code) ? tok::StringLiteral : tok::NumberLiteral;
        out.form = Form::Call;
        return Next();
    }

    static bool ArgumentsFit(BuiltinShape shape, int count, const bool* text) {
        switch (shape) {
        case BuiltinShape::OneText: return count == 1 && text[0];
        case BuiltinShape::OneNumber: return count == 1 && !text[0];
        case BuiltinShape::TextCount: return count == 2 && text[0] && !text[1];
        case BuiltinShape::Mid: return (count == 2 || count == 3) && text[0] && !text[1] && (count == 2 || !text[2]);
        case BuiltinShape::Instr:
            if (text[0]) return (count == 2 || count == 3) && text[1] && (count == 2 || !text[2]);
            return (count == 3 || count == 4) && text[1] && text[2] && (count == 3 || !text[3]);
        case BuiltinShape::None: break;
        }
        return false;
    }

    TLangEngine& e_;
    TranslatedStatement& s_;
    std::vector<int> depths_;  // of each node: the longest path down from it
    int nesting_ = 0;
    bool tooDeep_ = false;
    bool countOperators_ = true;
    bool inSubscript_ = false;
    bool afterComma_ = false;
};

// --- Running ------------------------------------------------------------------

// One run of a translated statement. Each node gives its value through the
// handler bound to it, reading operands that are literals or variables in
// place. A node that fails gives 0 or the empty text and marks the run
// failed: its parents go on with that harmless value, and the run changes
// nothing. The registers the evaluator would change end as the fixed order of
// evaluation leaves them, which binding worked out once; nothing outside is
// touched until the run completes.
class TranslatedRun {
public:
    TranslatedRun(TLangEngine& engine, TranslatedStatement& statement) : e_(engine), s_(statement) {}
    TranslatedRun(const TranslatedRun&) = delete;
    TranslatedRun& operator=(const TranslatedRun&) = delete;

    // A failure that unwinds the run (an allocation) leaves the text position
    // at the statement's end, so that it is reported on the statement's own
    // line, as the evaluator reports it.
    bool Assignment() {
        try {
            return RunAssignment();
        } catch (...) {
            PlaceAtEnd();
            throw;
        }
    }

    bool Condition() {
        try {
            return RunCondition();
        } catch (...) {
            PlaceAtEnd();
            throw;
        }
    }

    // Binds the nodes of a statement just translated to their handlers and to
    // each other; false for a node no handler covers.
    static bool Bind(TranslatedStatement& statement);

private:
    bool RunAssignment() {
        TERP_SYMBOL_TAG& target = *s_.target;
        // The target is read first, as the evaluator resolves it.
        // A step owed after the target comes before anything else is read;
        // where the target's subscripts read cells, the run loop steps.
        if (s_.targetCell >= 0) {
            if (e_.stepAfterTarget_ != 0 && s_.targetReadsCells) return false;
            if (!SelectCell(NodeAt(s_.targetCell), *this) || failed_) return false;
        }
        if (e_.stepAfterTarget_ != 0 &&
            !e_.StepAfterTarget(s_.targetCell >= 0 ? &target : nullptr, s_.targetSelection.subscripts.data(),
                                s_.targetSelection.cell))
            return false;
        TranslatedNode& root = NodeAt(s_.root);
        if (s_.appendsToTarget) return AppendToTarget(target, root);
        if (root.text) return AssignText(target, root);
        const long double result = root.evaluate(root, *this);
        if (failed_ || !Storable(result)) return false;

        // Nothing can fail from here on.
        CommitSelections(target);
        const double stored = static_cast<double>(result);
        if (s_.targetCell >= 0) {
            target.SymCells[static_cast<std::size_t>(s_.targetSelection.cell)].Number = stored;
            target.SymExtra = s_.targetSelection.cell;
        }
        target.SymValue = stored;
        e_.m_NumValue = result;
        SetTextRegister();
        FinishAssignment(target);
        return true;
    }

    bool RunCondition() {
        TranslatedNode& root = NodeAt(s_.root);
        const long double result = root.evaluate(root, *this);
        if (failed_) return false;
        CommitCells();
        e_.m_NumValue = result;
        SetTextRegister();
        if (s_.lastSymbol) e_.m_CurrentSymbol = s_.lastSymbol;
        e_.m_SavedToken = s_.valueKind;
        e_.m_ValueType = s_.valueKind;
        Finish();
        return true;
    }

    using Source = TranslatedStatement::Source;
    static constexpr double kInt32Limit = 2147483648.0;  // 2^31
    static constexpr std::size_t kShortText = 32;
    // Where an operand's value comes from: read in place, or through its handler.
    enum class Place : std::uint8_t { Constant, Variable, Node };
    enum class Relation : std::uint8_t { Less, Greater, Equal, GreaterEqual, LessEqual, NotEqual };

    TranslatedNode& NodeAt(std::int32_t index) { return s_.nodes[static_cast<std::size_t>(index)]; }

    bool AssignText(TERP_SYMBOL_TAG& target, TranslatedNode& root) {
        const std::string* result = root.evaluateText(root, *this);
        if (failed_) return false;
        const bool isCell = s_.targetCell >= 0;
        const std::size_t cell = static_cast<std::size_t>(s_.targetSelection.cell);
        const std::size_t heldSize = isCell ? target.SymCells[cell].Text.size() : target.SymText.size();
        if (result->size() > heldSize && !e_.m_Memory.Fits(result->size() - heldSize)) return false;
        const long double number = s_.lastNumberSource == Source::Unchanged ? e_.m_NumValue : LastNumber();

        // Nothing can fail from here on.
        CommitSelections(target);
        e_.m_Memory.Resize(heldSize, result->size());
        // A long text the root made is its own until the next run: the
        // target takes it over rather than a copy. A short one is copied,
        // which costs less than exchanging two texts held in place.
        const bool made = result == &root.value && result->size() > kShortText;
        if (isCell) {
            if (made)
                target.SymCells[cell].Text = std::move(root.value);
            else
                target.SymCells[cell].Text = *result;
            e_.m_TokenText = target.SymCells[cell].Text.str();
            target.SymExtra = s_.targetSelection.cell;
            target.SymText = e_.m_TokenText;
        } else {
            if (made)
                target.SymText.swap(root.value);
            else
                target.SymText = *result;
            e_.m_TokenText.Follow(target.SymText);
        }
        e_.m_NumValue = number;
        FinishAssignment(target);
        return true;
    }

    // `V = V + tail`: the join and the assignment check the memory they
    // would take (the join the whole text, which covers the assignment's
    // growth), and the target grows by the tail rather than being built anew.
    bool AppendToTarget(TERP_SYMBOL_TAG& target, TranslatedNode& root) {
        TranslatedNode& right = *root.operands[1];
        const std::string* tail = &root.value;
        const std::size_t held = target.SymText.size();
        {
            // The evaluator holds the target's text as the join's left
            // operand while it evaluates the tail.
            const RunMemory::Pending leftHeld(e_.m_Memory, held);
            if (right.text)
                tail = Text(right, *this);
            else
                AssignFixed18(root.value, Number(right, *this));
            if (failed_ || !e_.m_Memory.Fits(tail->size())) return false;
        }
        const long double number = s_.lastNumberSource == Source::Unchanged ? e_.m_NumValue : LastNumber();

        // Nothing can fail from here on.
        CommitCells();
        e_.m_Memory.Resize(held, held + tail->size());
        // A tail that is the target itself is appended as it was.
        target.SymText.append(*tail);
        e_.m_TokenText.Follow(target.SymText);
        e_.m_NumValue = number;
        FinishAssignment(target);
        return true;
    }

    void FinishAssignment(TERP_SYMBOL_TAG& target) {
        e_.m_CurrentSymbol = &target;
        e_.m_SavedToken = tok::SymbolRef;
        e_.m_ValueType = tok::SymbolRef;
        Finish();
    }

    void Finish() {
        e_.m_EvalFlags.Assignable = true;
        e_.m_EvalFlags.AfterSeparator = false;
        if (s_.lastPrecedence >= 0) e_.m_EvalWork = s_.lastPrecedence;
        PlaceAtEnd();
    }

    void PlaceAtEnd() {
        e_.m_Token = s_.endToken;
        e_.m_TextPos = s_.end;
        e_.tokenStart_ = s_.endTokenStart;
        e_.lineEndPos_ = s_.endLineEnd;
    }

    // The target cell takes its subscripts first; the cells read select
    // themselves after it, in the order they were read.
    void CommitSelections(TERP_SYMBOL_TAG& target) {
        if (s_.targetCell >= 0) SelectSubscripts(target, s_.targetSelection.subscripts.data(), target.SymDims);
        CommitCells();
    }

    void CommitCells() {
        for (const CellSelection& selection : s_.cells) {
            TERP_SYMBOL_TAG& array = *selection.array;
            SelectSubscripts(array, selection.subscripts.data(), array.SymDims);
            array.SymExtra = selection.cell;
            if (array.SymKind == tok::StringArray)
                array.SymText = array.SymCells[static_cast<std::size_t>(selection.cell)].Text;
            else
                array.SymValue = selection.number;
        }
    }

    // The number register after a statement that gives a text and sets it:
    // 0, or the value of the node that set it last.
    long double LastNumber() const {
        if (s_.lastNumberSource == Source::Cleared) return 0;
        const TranslatedNode* node = s_.lastNumber;
        switch (node->op) {
        case TranslatedOp::Number: return node->number;
        case TranslatedOp::NumberVariable: return node->symbol->SymValue;
        case TranslatedOp::NumberCell: return node->selection->number;
        default: return recorded_;
        }
    }

    // The text register after a statement that gives a number. The texts
    // the run read are as it read them until the next run.
    void SetTextRegister() {
        switch (s_.lastTextSource) {
        case Source::Unchanged: return;
        case Source::Cleared: e_.m_TokenText.clear(); return;
        case Source::Node: e_.m_TokenText = LastText(*s_.lastText); return;
        }
    }

    static const std::string& LastText(const TranslatedNode& node) {
        switch (node.op) {
        case TranslatedOp::Text: return node.literal;
        case TranslatedOp::TextVariable: return node.symbol->SymText;
        case TranslatedOp::TextCell: return node.symbol->SymCells[static_cast<std::size_t>(node.selection->cell)].Text.str();
        default: return node.value;
        }
    }

    // --- Handlers ---------------------------------------------------------

    [[gnu::cold]] static long double Fail(TranslatedRun& run) {
        run.failed_ = true;
        return 0;
    }

    [[gnu::cold]] static const std::string* FailText(TranslatedRun& run) {
        run.failed_ = true;
        return &kEmpty;
    }

    static long double Number(const TranslatedNode& node, TranslatedRun& run) { return node.evaluate(node, run); }
    static const std::string* Text(TranslatedNode& node, TranslatedRun& run) { return node.evaluateText(node, run); }

    template <Place S>
    static long double Operand(const TranslatedNode& node, TranslatedRun& run) {
        if constexpr (S == Place::Constant)
            return node.number;
        else if constexpr (S == Place::Variable)
            return node.symbol->SymValue;
        else
            return node.evaluate(node, run);
    }

    static long double ReadConstant(const TranslatedNode& node, TranslatedRun&) { return node.number; }
    static long double ReadVariable(const TranslatedNode& node, TranslatedRun&) { return node.symbol->SymValue; }

    // The node whose value the number register ends with keeps it.
    static long double Recorded(const TranslatedNode& node, TranslatedRun& run) {
        run.recorded_ = node.recordedEvaluate(node, run);
        return run.recorded_;
    }

    // The left operand is held as a double, as the evaluator holds it; the
    // operation is carried out in extended precision.
    template <TranslatedOp Op>
    static long double Arithmetic(double left, long double right, TranslatedRun& run) {
        if constexpr (Op == TranslatedOp::IntDivide || Op == TranslatedOp::Mod) {
            return Whole<Op>(left, right, run);
        } else {
            const long double out = Apply<Op>(left, right);
            return Storable(out) ? out : Fail(run);
        }
    }

    template <TranslatedOp Op>
    static long double Apply(double left, long double right) {
        if constexpr (Op == TranslatedOp::Add)
            return left + right;
        else if constexpr (Op == TranslatedOp::Subtract)
            return left - right;
        else if constexpr (Op == TranslatedOp::Multiply)
            return left * right;
        else if constexpr (Op == TranslatedOp::Divide)
            return Quotient(left, right);
        else
            return Power(left, right);
    }

    // "\" and MOD work on the whole parts of their operands. Nearly always
    // both are numbers a double holds exactly, within the 32-bit range, whose
    // whole parts the conversion gives at once and whose division is quick;
    // any other takes the exact truncation to 64 bits.
    template <TranslatedOp Op>
    static long double Whole(double left, long double right, TranslatedRun& run) {
        const double narrowRight = static_cast<double>(right);
        if (narrowRight == right && std::fabs(left) < kInt32Limit && std::fabs(narrowRight) < kInt32Limit)
            return WholeResult<Op>(static_cast<std::int32_t>(left), static_cast<std::int32_t>(narrowRight));
        return WideWhole<Op>(left, right, run);
    }

    template <TranslatedOp Op, typename Integer>
    static long double WholeResult(Integer a, Integer b) {
        if constexpr (Op == TranslatedOp::IntDivide)
            return static_cast<long double>(WholeQuotient(a, b));
        else
            return static_cast<long double>(WholeRemainder(a, b));
    }

    template <TranslatedOp Op>
    [[gnu::noinline]] static long double WideWhole(long double left, long double right, TranslatedRun& run) {
        const std::optional<std::int64_t> a = WholeOperand(left);
        const std::optional<std::int64_t> b = WholeOperand(right);
        return a && b ? WholeResult<Op>(*a, *b) : Fail(run);
    }

    // "\" or MOD by a literal power of two, as the shift and the mask they
    // come to on the magnitude of the left operand.
    template <TranslatedOp Op>
    struct WholeByPowerOfTwoOf {
        template <Place L>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            const double left = static_cast<double>(Operand<L>(*node.operands[0], run));
            const long double right = node.operands[1]->number;
            if (!(std::fabs(left) < kInt32Limit)) return Whole<Op>(left, right, run);
            const std::int32_t a = static_cast<std::int32_t>(left);
            const std::int32_t magnitude = a < 0 ? -a : a;
            if constexpr (Op == TranslatedOp::Mod) {
                return static_cast<long double>(magnitude & ((std::int32_t{1} << node.exponent) - 1));
            } else {
                const std::int32_t quotient = magnitude >> node.exponent;
                return static_cast<long double>(a < 0 ? -quotient : quotient);
            }
        }
    };

    template <TranslatedOp Op>
    struct ArithmeticOf {
        template <Place L, Place R>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            const double left = static_cast<double>(Operand<L>(*node.operands[0], run));
            return Arithmetic<Op>(left, Operand<R>(*node.operands[1], run), run);
        }
    };

    template <Relation R>
    static bool Holds(int order) {
        if constexpr (R == Relation::Less)
            return order == -1;
        else if constexpr (R == Relation::Greater)
            return order == 1;
        else if constexpr (R == Relation::Equal)
            return order == 0;
        else if constexpr (R == Relation::GreaterEqual)
            return order >= 0;
        else if constexpr (R == Relation::LessEqual)
            return order <= 0;
        else
            return order != 0;
    }

    // Numbers compare as doubles.
    template <Relation R>
    struct CompareOf {
        template <Place L, Place Right>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            const double left = static_cast<double>(Operand<L>(*node.operands[0], run));
            const double right = static_cast<double>(Operand<Right>(*node.operands[1], run));
            return Holds<R>(left < right ? -1 : left > right ? 1 : 0) ? 1 : 0;
        }

        static long double Texts(const TranslatedNode& node, TranslatedRun& run) {
            const std::string& left = *Text(*node.operands[0], run);
            const std::string& right = *Text(*node.operands[1], run);
            const int order = left.compare(right);
            return Holds<R>(order < 0 ? -1 : order > 0 ? 1 : 0) ? 1 : 0;
        }
    };

    // Both sides are always evaluated.
    template <bool Both>
    struct LogicalOf {
        template <Place L, Place R>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            const long double left = Operand<L>(*node.operands[0], run);
            const long double right = Operand<R>(*node.operands[1], run);
            const bool holds = Both ? (left != 0 && right != 0) : (left != 0 || right != 0);
            return holds ? 1 : 0;
        }
    };

    struct NegateOf {
        template <Place S>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            return -Operand<S>(*node.operands[0], run);
        }
    };

    struct NotOf {
        template <Place S>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            return Operand<S>(*node.operands[0], run) == 0 ? 1 : 0;
        }
    };

    // The cell a node names, kept in its selection; null when a subscript is
    // out of range.
    // A variable's value, the most common subscript, is read in place as the
    // double it is.
    static std::int32_t Subscript(const TranslatedNode& subscript, std::int32_t highest, TranslatedRun& run) {
        if (subscript.op == TranslatedOp::NumberVariable) return SubscriptIndex(subscript.symbol->SymValue, highest);
        return SubscriptIndex(Number(subscript, run), highest);
    }

    static const ARRAY_ELEMENT_TAG* SelectCell(const TranslatedNode& node, TranslatedRun& run) {
        const TERP_SYMBOL_TAG& array = *node.symbol;
        CellSelection& selection = *node.selection;
        std::int64_t index = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(node.argumentCount); ++i) {
            const std::int32_t highest = array.SymDim[i];
            selection.subscripts[i] = Subscript(*node.operands[i], highest, run);
            if (selection.subscripts[i] < 0) return nullptr;
            index = index * (static_cast<std::int64_t>(highest) + 1) + selection.subscripts[i];
        }
        if (index < 0 || static_cast<std::size_t>(index) >= array.SymCells.size()) return nullptr;
        selection.cell = static_cast<std::int32_t>(index);
        return &array.SymCells[static_cast<std::size_t>(index)];
    }

    // A cell of a list: one subscript, which is the cell's index.
    template <Place S>
    static const ARRAY_ELEMENT_TAG* SelectListCell(const TranslatedNode& node, TranslatedRun& run) {
        const TERP_SYMBOL_TAG& array = *node.symbol;
        const std::int32_t index = S == Place::Variable
                                       ? SubscriptIndex(node.operands[0]->symbol->SymValue, array.SymDim[0])
                                       : SubscriptIndex(Operand<S>(*node.operands[0], run), array.SymDim[0]);
        if (index < 0 || static_cast<std::size_t>(index) >= array.SymCells.size()) return nullptr;
        node.selection->subscripts[0] = index;
        node.selection->cell = index;
        return &array.SymCells[static_cast<std::size_t>(index)];
    }

    static long double CellNumber(const TranslatedNode& node, const ARRAY_ELEMENT_TAG* cell, TranslatedRun& run) {
        if (!cell) return Fail(run);
        node.selection->number = cell->Number;
        return cell->Number;
    }

    struct ListCellOf {
        template <Place S>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            return CellNumber(node, SelectListCell<S>(node, run), run);
        }
    };

    static long double NumberCell(const TranslatedNode& node, TranslatedRun& run) {
        return CellNumber(node, SelectCell(node, run), run);
    }

    static const std::string* TextCell(TranslatedNode& node, TranslatedRun& run) {
        const ARRAY_ELEMENT_TAG* cell = SelectCell(node, run);
        return cell ? &cell->Text.str() : FailText(run);
    }

    static const std::string* ReadLiteral(TranslatedNode& node, TranslatedRun&) { return &node.literal; }
    static const std::string* ReadTextVariable(TranslatedNode& node, TranslatedRun&) { return &node.symbol->SymText; }

    // SQR, ABS, INT and SGN, the functions loops call most, inline; the
    // others through ApplyMath.
    template <MathFunction F>
    static long double Math(long double x, TranslatedRun& run) {
        NumberResult result;
        if constexpr (F == MathFunction::Sqr)
            result = SquareRoot(x);
        else if constexpr (F == MathFunction::Abs)
            result = Magnitude(x);
        else if constexpr (F == MathFunction::Sgn)
            result = Sign(x);
        else
            result = WholePart(x);
        return result.Ok() ? result.Value : Fail(run);
    }

    template <MathFunction F>
    struct MathOf {
        template <Place S>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            return Math<F>(Operand<S>(*node.operands[0], run), run);
        }
    };

    struct AppliedMathOf {
        template <Place S>
        static long double Run(const TranslatedNode& node, TranslatedRun& run) {
            const NumberResult result = ApplyMath(node.math, Operand<S>(*node.operands[0], run));
            return result.Ok() ? result.Value : Fail(run);
        }
    };

    static long double Length(const TranslatedNode& node, TranslatedRun& run) {
        return static_cast<long double>(Text(*node.operands[0], run)->size());
    }

    static long double Asc(const TranslatedNode& node, TranslatedRun& run) {
        return AscCode(*Text(*node.operands[0], run));
    }

    static long double Val(const TranslatedNode& node, TranslatedRun& run) {
        return ValNumber(*Text(*node.operands[0], run));
    }

    // FEOF, FTELL and FGETC check the index as the call does, before the
    // file is touched: a whole number within 32 bits with a file open at it.
    // Once the run has failed nothing is read.
    static std::optional<std::int32_t> OpenFileIndex(const TranslatedNode& node, TranslatedRun& run) {
        // TruncToInt32, inline: a loop that reads a file byte by byte calls it for every byte.
        const long double value = Number(*node.operands[0], run);
        if (!(value > -kInt32Limit - 1 && value < kInt32Limit) || run.failed_) return std::nullopt;
        const auto index = static_cast<std::int32_t>(TruncatedWhole(value));
        if (!run.e_.m_Files.IsFileIndexInUse(index)) return std::nullopt;
        return index;
    }

    static long double FileAtEnd(const TranslatedNode& node, TranslatedRun& run) {
        const std::optional<std::int32_t> index = OpenFileIndex(node, run);
        return index ? run.e_.m_Files.ScriptFileAtEnd(*index) : Fail(run);
    }

    static long double FileTell(const TranslatedNode& node, TranslatedRun& run) {
        const std::optional<std::int32_t> index = OpenFileIndex(node, run);
        return index ? static_cast<long double>(run.e_.m_Files.ScriptFileTell(*index)) : Fail(run);
    }

    static long double FileGetChar(const TranslatedNode& node, TranslatedRun& run) {
        const std::optional<std::int32_t> index = OpenFileIndex(node, run);
        return index ? run.e_.m_Files.ScriptFileGetChar(*index) : Fail(run);
    }

    // INSTR(text, wanted [, exact]) or INSTR(from, text, wanted [, exact]).
    static long double Instr(const TranslatedNode& node, TranslatedRun& run) {
        if (node.operands[0]->text) {
            const std::string& text = *Text(*node.operands[0], run);
            const std::string& wanted = *Text(*node.operands[1], run);
            const bool exact = node.argumentCount == 3 && Number(*node.operands[2], run) != 0;
            return static_cast<long double>(InstrPosition(text, wanted, exact));
        }
        const long double from = Number(*node.operands[0], run);
        const std::string& text = *Text(*node.operands[1], run);
        const std::string& wanted = *Text(*node.operands[2], run);
        const bool exact = node.argumentCount == 4 && Number(*node.operands[3], run) != 0;
        if (from - 1 < 0) return Fail(run);
        const std::optional<std::int64_t> start = SaturatingCount(from);
        if (!start) return Fail(run);
        return static_cast<long double>(InstrPosition(text, wanted, exact, *start));
    }

    // The left text is held while the right operand is evaluated, and the
    // join must fit beside it, as in the evaluator. A text a join below made
    // becomes this join's own, so a chain of joins keeps one text and each
    // join adds only its operand to it.
    static const std::string* Join(TranslatedNode& node, TranslatedRun& run) {
        TranslatedNode& leftNode = *node.operands[0];
        const std::string& left = *Text(leftNode, run);
        const RunMemory::Pending leftHeld(run.e_.m_Memory, left.size());
        TranslatedNode& right = *node.operands[1];
        if (right.text) {
            const std::string& tail = *Text(right, run);
            if (!run.e_.m_Memory.Fits(tail.size())) return FailText(run);
            if (MadeByJoin(leftNode, left)) {
                node.value.swap(leftNode.value);
                node.value += tail;
            } else if (MadeByJoin(right, tail)) {
                node.value.swap(right.value);
                node.value.insert(0, left);
            } else {
                node.value.assign(left);
                node.value += tail;
            }
            return &node.value;
        }
        const std::string digits = FormatFixed18(Number(right, run));
        if (!run.e_.m_Memory.Fits(digits.size())) return FailText(run);
        if (MadeByJoin(leftNode, left))
            node.value.swap(leftNode.value);
        else
            node.value.assign(left);
        node.value += digits;
        return &node.value;
    }

    static bool MadeByJoin(const TranslatedNode& operand, const std::string& text) {
        return operand.op == TranslatedOp::Join && &text == &operand.value;
    }

    // The arguments of a built-in that gives a text, read in order. Only the
    // entries read are set.
    struct Arguments {
        long double numbers[TranslatedNode::kMaxArguments];
        const std::string* texts[TranslatedNode::kMaxArguments];
    };

    static void ReadArguments(const TranslatedNode& node, TranslatedRun& run, Arguments& arguments) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(node.argumentCount); ++i) {
            TranslatedNode& argument = *node.operands[i];
            if (argument.text)
                arguments.texts[i] = Text(argument, run);
            else
                arguments.numbers[i] = Number(argument, run);
        }
    }

    static const std::string* TextBuiltin(TranslatedNode& node, TranslatedRun& run) {
        Arguments a;
        ReadArguments(node, run, a);
        return MakeText(node, a) ? &node.value : FailText(run);
    }

    static bool MakeText(TranslatedNode& node, const Arguments& a) {
        switch (node.code) {
        case fn::Trim: node.value = platform::Trim(*a.texts[0]); return true;
        case fn::LTrim: node.value = TrimLeftText(*a.texts[0]); return true;
        case fn::RTrim: node.value = TrimRightText(*a.texts[0]); return true;
        case fn::LCase: node.value = platform::LowerCase(*a.texts[0]); return true;
        case fn::UCase: node.value = platform::UpperCase(*a.texts[0]); return true;
        case fn::Str: node.value = FormatGeneral(a.numbers[0]); return true;
        case fn::Chr:
        case fn::Hex: {
            const std::optional<std::int64_t> code = TruncToInt64(a.numbers[0]);
            if (!code) return false;
            node.value = node.code == fn::Chr ? ChrText(*code) : HexText(*code);
            return true;
        }
        case fn::Left:
        case fn::Right: {
            const std::optional<std::int64_t> count = SaturatingCount(a.numbers[1]);
            if (!count) return false;
            node.value.assign(node.code == fn::Left ? LeftPart(*a.texts[0], *count) : RightPart(*a.texts[0], *count));
            return true;
        }
        case fn::Mid: {
            std::optional<std::int64_t> length;
            if (node.argumentCount == 3) {
                length = SaturatingCount(a.numbers[2]);
                if (!length) return false;
            }
            const std::optional<std::int64_t> from = SaturatingCount(a.numbers[1]);
            if (!from) return false;
            node.value.assign(MidPart(*a.texts[0], *from, length));
            return true;
        }
        default:
            return false;
        }
    }

    // --- Binding ----------------------------------------------------------

    static Place PlaceOf(const TranslatedNode& node) {
        switch (node.op) {
        case TranslatedOp::Number: return Place::Constant;
        case TranslatedOp::NumberVariable: return Place::Variable;
        default: return Place::Node;
        }
    }

    template <typename Handler>
    static NumberHandler WithPlace(const TranslatedNode& operand) {
        switch (PlaceOf(operand)) {
        case Place::Constant: return &Handler::template Run<Place::Constant>;
        case Place::Variable: return &Handler::template Run<Place::Variable>;
        case Place::Node: break;
        }
        return &Handler::template Run<Place::Node>;
    }

    template <typename Handler, Place L>
    static NumberHandler WithRightPlace(const TranslatedNode& right) {
        switch (PlaceOf(right)) {
        case Place::Constant: return &Handler::template Run<L, Place::Constant>;
        case Place::Variable: return &Handler::template Run<L, Place::Variable>;
        case Place::Node: break;
        }
        return &Handler::template Run<L, Place::Node>;
    }

    template <typename Handler>
    static NumberHandler WithPlaces(const TranslatedNode& node) {
        const TranslatedNode& right = *node.operands[1];
        switch (PlaceOf(*node.operands[0])) {
        case Place::Constant: return WithRightPlace<Handler, Place::Constant>(right);
        case Place::Variable: return WithRightPlace<Handler, Place::Variable>(right);
        case Place::Node: break;
        }
        return WithRightPlace<Handler, Place::Node>(right);
    }

    template <Relation R>
    static NumberHandler CompareHandler(const TranslatedNode& node) {
        if (node.operands[0]->text) return &CompareOf<R>::Texts;
        return WithPlaces<CompareOf<R>>(node);
    }

    static NumberHandler CompareHandlerOf(const TranslatedNode& node) {
        switch (node.code) {
        case tok::Less: return CompareHandler<Relation::Less>(node);
        case tok::Greater: return CompareHandler<Relation::Greater>(node);
        case tok::Equal: return CompareHandler<Relation::Equal>(node);
        case tok::GreaterEqual: return CompareHandler<Relation::GreaterEqual>(node);
        case tok::LessEqual: return CompareHandler<Relation::LessEqual>(node);
        case tok::NotEqual: return CompareHandler<Relation::NotEqual>(node);
        default: return nullptr;
        }
    }

    static NumberHandler BuiltinHandlerOf(TranslatedNode& node) {
        if (const std::optional<MathFunction> math = MathFunctionOf(node.code)) {
            node.math = *math;
            const TranslatedNode& argument = *node.operands[0];
            switch (*math) {
            case MathFunction::Sqr: return WithPlace<MathOf<MathFunction::Sqr>>(argument);
            case MathFunction::Abs: return WithPlace<MathOf<MathFunction::Abs>>(argument);
            case MathFunction::Int: return WithPlace<MathOf<MathFunction::Int>>(argument);
            case MathFunction::Sgn: return WithPlace<MathOf<MathFunction::Sgn>>(argument);
            default: return WithPlace<AppliedMathOf>(argument);
            }
        }
        switch (node.code) {
        case fn::Asc: return &Asc;
        case fn::Len: return &Length;
        case fn::Val: return &Val;
        case fn::Instr: return &Instr;
        case fn::FEof: return &FileAtEnd;
        case fn::FTell: return &FileTell;
        case fn::FGetc: return &FileGetChar;
        default: return nullptr;
        }
    }

    // Whether the right operand is a literal (never negative) that is a
    // power of two within the 32-bit range; its exponent is kept.
    static bool BindPowerOfTwo(TranslatedNode& node) {
        const TranslatedNode& right = *node.operands[1];
        if (right.op != TranslatedOp::Number) return false;
        for (int exponent = 0; exponent < 31; ++exponent) {
            if (right.number == std::ldexp(1.0L, exponent)) {
                node.exponent = exponent;
                return true;
            }
        }
        return false;
    }

    static NumberHandler NumberHandlerOf(TranslatedNode& node) {
        switch (node.op) {
        case TranslatedOp::Number: return &ReadConstant;
        case TranslatedOp::NumberVariable: return &ReadVariable;
        case TranslatedOp::NumberCell:
            return node.argumentCount == 1 ? WithPlace<ListCellOf>(*node.operands[0]) : &NumberCell;
        case TranslatedOp::Negate: return WithPlace<NegateOf>(*node.operands[0]);
        case TranslatedOp::Not: return WithPlace<NotOf>(*node.operands[0]);
        case TranslatedOp::Add: return WithPlaces<ArithmeticOf<TranslatedOp::Add>>(node);
        case TranslatedOp::Subtract: return WithPlaces<ArithmeticOf<TranslatedOp::Subtract>>(node);
        case TranslatedOp::Multiply: return WithPlaces<ArithmeticOf<TranslatedOp::Multiply>>(node);
        case TranslatedOp::Divide: return WithPlaces<ArithmeticOf<TranslatedOp::Divide>>(node);
        case TranslatedOp::IntDivide:
            if (BindPowerOfTwo(node)) return WithPlace<WholeByPowerOfTwoOf<TranslatedOp::IntDivide>>(*node.operands[0]);
            return WithPlaces<ArithmeticOf<TranslatedOp::IntDivide>>(node);
        case TranslatedOp::Mod:
            if (BindPowerOfTwo(node)) return WithPlace<WholeByPowerOfTwoOf<TranslatedOp::Mod>>(*node.operands[0]);
            return WithPlaces<ArithmeticOf<TranslatedOp::Mod>>(node);
        case TranslatedOp::Power: return WithPlaces<ArithmeticOf<TranslatedOp::Power>>(node);
        case TranslatedOp::Compare: return CompareHandlerOf(node);
        case TranslatedOp::And: return WithPlaces<LogicalOf<true>>(node);
        case TranslatedOp::Or: return WithPlaces<LogicalOf<false>>(node);
        case TranslatedOp::Builtin: return BuiltinHandlerOf(node);
        default: return nullptr;
        }
    }

    static TextHandler TextHandlerOf(const TranslatedNode& node) {
        switch (node.op) {
        case TranslatedOp::Text: return &ReadLiteral;
        case TranslatedOp::TextVariable: return &ReadTextVariable;
        case TranslatedOp::TextCell: return &TextCell;
        case TranslatedOp::Join: return &Join;
        case TranslatedOp::Builtin: return &TextBuiltin;
        default: return nullptr;
        }
    }

    // What the registers hold after each step of the fixed order of
    // evaluation: the number register is cleared before every subscript and
    // every argument, the text register before every argument; a node sets
    // the register of its kind once its operands are read.
    struct LastValues {
        Source numberSource = Source::Unchanged;
        const TranslatedNode* number = nullptr;
        Source textSource = Source::Unchanged;
        const TranslatedNode* text = nullptr;
    };

    static void TraceOperands(const TranslatedNode& node, LastValues& last) {
        const bool cell = node.op == TranslatedOp::NumberCell || node.op == TranslatedOp::TextCell;
        const bool call = node.op == TranslatedOp::Builtin;
        for (std::size_t i = 0; i < static_cast<std::size_t>(node.argumentCount); ++i) {
            if (cell || call) {
                last.numberSource = Source::Cleared;
                last.number = nullptr;
            }
            if (call) {
                last.textSource = Source::Cleared;
                last.text = nullptr;
            }
            Trace(*node.operands[i], last);
        }
    }

    static void Trace(const TranslatedNode& node, LastValues& last) {
        TraceOperands(node, last);
        if (node.text) {
            last.textSource = Source::Node;
            last.text = &node;
        } else {
            last.numberSource = Source::Node;
            last.number = &node;
        }
    }

    // FGETC consumes a byte of its file. A failed run must leave the file as
    // it was, so FGETC is bound only where every node evaluated after it
    // (operands first, left to right) never fails; what the statement does
    // with a value of these nodes (a number) never fails either.
    static bool ReadsInput(const TranslatedNode& node) {
        return node.op == TranslatedOp::Builtin && node.code == fn::FGetc;
    }

    static bool NeverFails(const TranslatedNode& node) {
        switch (node.op) {
        case TranslatedOp::Number: case TranslatedOp::NumberVariable: case TranslatedOp::Negate:
        case TranslatedOp::Not: case TranslatedOp::Compare: case TranslatedOp::And: case TranslatedOp::Or:
            return true;
        default:
            return false;
        }
    }

    // `read`: a node evaluated before has read input.
    static bool NothingFailsAfterInput(const TranslatedNode& node, bool& read) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(node.argumentCount); ++i)
            if (!NothingFailsAfterInput(*node.operands[i], read)) return false;
        if (read && !NeverFails(node)) return false;
        read = read || ReadsInput(node);
        return true;
    }

    // A value the run can read again once it completes; any other the node
    // keeps as it gives it.
    static bool Rereadable(const TranslatedNode& node) {
        return node.op == TranslatedOp::Number || node.op == TranslatedOp::NumberVariable ||
               node.op == TranslatedOp::NumberCell;
    }

    static const std::string kEmpty;

    TLangEngine& e_;
    TranslatedStatement& s_;
    bool failed_ = false;
    long double recorded_ = 0;  // the value of the node s_.lastNumber names, when it is no rereadable one
};

const std::string TranslatedRun::kEmpty;

bool TranslatedRun::Bind(TranslatedStatement& s) {
    for (TranslatedNode& node : s.nodes) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(node.argumentCount); ++i)
            node.operands[i] = &s.nodes[static_cast<std::size_t>(node.arguments[i])];
        if (node.cellSlot >= 0) {
            node.selection = &s.cells[static_cast<std::size_t>(node.cellSlot)];
            node.selection->array = node.symbol;
        }
    }
    LastValues last;
    if (s.targetCell >= 0) {
        TranslatedNode& target = s.nodes[static_cast<std::size_t>(s.targetCell)];
        target.selection = &s.targetSelection;
        s.targetSelection.array = s.target;
        TraceOperands(target, last);
    }
    TranslatedNode& root = s.nodes[static_cast<std::size_t>(s.root)];
    bool read = false;
    if (!NothingFailsAfterInput(root, read)) return false;
    s.appendsToTarget = s.kind == TranslatedStatement::Kind::Assignment && s.targetCell < 0 &&
                        root.op == TranslatedOp::Join && root.operands[0]->op == TranslatedOp::TextVariable &&
                        root.operands[0]->symbol == s.target;
    Trace(root, last);
    s.lastNumberSource = last.numberSource;
    s.lastNumber = last.number;
    s.lastTextSource = last.textSource;
    s.lastText = last.text;
    for (TranslatedNode& node : s.nodes) {
        if (node.text)
            node.evaluateText = TextHandlerOf(node);
        else
            node.evaluate = NumberHandlerOf(node);
        if (!node.evaluate && !node.evaluateText) return false;
    }
    if (root.text && last.numberSource == Source::Node && !Rereadable(*last.number)) {
        TranslatedNode& recorded = s.nodes[static_cast<std::size_t>(last.number - s.nodes.data())];
        recorded.recordedEvaluate = recorded.evaluate;
        recorded.evaluate = &Recorded;
    }
    return true;
}

// --- The engine's side ----------------------------------------------------------

TranslatedStatement* TLangEngine::TranslatedAt(int position, TranslatedStatement::Kind kind, int endToken) {
    if (!m_TranslateLines || !TokenCacheUsable() || position < 1 || position > m_RunTextLength) return nullptr;
    // A statement that runs once is read by the evaluator; it is translated
    // at its second run, so a script whose lines mostly run once keeps
    // nothing for them.
    std::int32_t& slot = kept_.translatedIndex[static_cast<std::size_t>(position)];
    if (slot == kNotLookedAt || slot == SeenNow()) {
        slot = SeenNow();
        return nullptr;
    }
    std::int32_t index = slot;
    if (RanOnce(index)) index = TranslateFirst(position, kind, endToken);
    if (index == kNothingKept) return nullptr;
    TranslatedStatement* statement = kept_.translated[static_cast<std::size_t>(index)].get();
    if (statement->kind != kind || statement->endToken != endToken) return nullptr;
    return statement;
}

std::int32_t TLangEngine::TranslateFirst(int position, TranslatedStatement::Kind kind, int endToken) {
    auto statement = std::make_unique<TranslatedStatement>();
    statement->kind = kind;
    statement->endToken = endToken;
    std::int32_t& index = kept_.translatedIndex[static_cast<std::size_t>(position)];
    index = TranslateStatement(position, *statement) ? static_cast<std::int32_t>(kept_.translated.size()) : kNothingKept;
    if (index != kNothingKept) kept_.translated.push_back(std::move(statement));
    return index;
}

bool TLangEngine::TranslateStatement(int position, TranslatedStatement& statement) {
    const TokenState saved = SaveTokenState();
    const int savedPrevious = previousToken_;
    const bool afterComma = previousToken_ == tok::Comma;
    const bool stopped = m_StopRequested;
    m_TextPos = position;
    m_Token = tok::EndOfLine;
    LineTranslator translator(*this, statement);
    bool translated = statement.kind == TranslatedStatement::Kind::Assignment ? translator.Assignment()
                                                                               : translator.Condition(statement.endToken, afterComma);
    translated = translated && !m_StopRequested && m_Token == statement.endToken && TranslatedRun::Bind(statement);
    statement.end = m_TextPos;
    statement.endTokenStart = tokenStart_;
    statement.endLineEnd = lineEndPos_;
    statement.line = LineOfOffset(position);
    RestoreTokenState(saved);
    previousToken_ = savedPrevious;
    if (m_StopRequested && !stopped) return false;
    return translated;
}

bool TLangEngine::RunTranslatedAssignment(int position) {
    TranslatedStatement* statement =
        TranslatedAt(position, TranslatedStatement::Kind::Assignment, tok::EndOfLine);
    if (!statement || !TranslatedRun(*this, *statement).Assignment()) return false;
    m_CurrentLine = statement->line;
    return true;
}

bool TLangEngine::RunTranslated(TranslatedStatement& assignment) { return TranslatedRun(*this, assignment).Assignment(); }

bool TLangEngine::RunTranslatedCondition(int position, int endToken) {
    TranslatedStatement* statement =
        TranslatedAt(position, TranslatedStatement::Kind::Condition, endToken);
    return statement && TranslatedRun(*this, *statement).Condition();
}

bool TLangEngine::RunTranslatedCaseItem() {
    // The item starts at the token just fetched. An AND or OR outside
    // parentheses joins two items, which the CASE tests one by one.
    TranslatedStatement* item =
        TranslatedAt(tokenStart_, TranslatedStatement::Kind::Condition, tok::EndOfLine);
    if (!item) return false;
    const TranslatedOp root = item->nodes[static_cast<std::size_t>(item->root)].op;
    return root != TranslatedOp::And && root != TranslatedOp::Or && TranslatedRun(*this, *item).Condition();
}

}  // namespace pevox
