// Statements translated once and run from their translated form. The
// translation reads the statement's tokens without side effects and accepts
// only the shapes whose evaluation it knows exactly: operands are read left to
// right, the left operand of every operator held as a double; products bind
// tighter than sums, sums tighter than comparisons, comparisons tighter than
// AND and OR. The evaluator's own order differs from that only in shapes the
// translation leaves to it (a parenthesis or a call beside a product operator,
// a sign before a parenthesis, a second comparison, AND or OR outside a
// condition or a parenthesis). A run that would report an error (a subscript
// out of range, a domain error, an overflow, memory) changes nothing and
// leaves the statement to the evaluator, which reports it.
#include "Tlangtranslate.h"

#include "Tlangbuiltins.h"
#include "Tlangengine.h"
#include "Tlangeval.h"
#include "Tlangmaths.h"
#include "Tlangnumbers.h"
#include "Tlangstrings.h"
#include "platform/Text.h"

#include <cfloat>
#include <cmath>

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
// texts and numbers, and they touch nothing else.
enum class BuiltinShape { None, OneText, OneNumber, TextCount, Mid, Instr };

BuiltinShape ShapeOf(int code) {
    switch (code) {
    case fn::Asc: case fn::Len: case fn::Val: case fn::Trim: case fn::LTrim: case fn::RTrim: case fn::LCase:
    case fn::UCase:
        return BuiltinShape::OneText;
    case fn::Chr: case fn::Str: case fn::Sqr: case fn::Sin: case fn::Cos: case fn::Tan: case fn::Atn:
    case fn::ASin: case fn::Hex: case fn::ACos: case fn::Abs: case fn::Sgn: case fn::Int: case fn::Exp:
    case fn::Exp2: case fn::Exp10: case fn::Log: case fn::Log2: case fn::Log10:
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
        if (IsStringKind(target->SymKind) != Node(value).text) return false;
        s_.root = value.node;
        return true;
    }

    bool Condition(int endToken) {
        if (!Next()) return false;
        Operand value;
        if (!Logical(value) || e_.m_Token != endToken || Node(value).text) return false;
        s_.root = value.node;
        s_.valueKind = value.kind;
        return true;
    }

private:
    // How an operand was written, which decides how the evaluator goes on
    // after it.
    enum class Form { Direct, NegatedDirect, NotDirect, Other };
    struct Operand {
        std::int32_t node = -1;
        Form form = Form::Direct;
        int kind = tok::NumberLiteral;  // what the evaluator's m_SavedToken holds after it
    };

    TranslatedNode& Node(const Operand& operand) { return s_.nodes[static_cast<std::size_t>(operand.node)]; }

    bool Next() { return e_.FetchSkipping() && !e_.m_StopRequested; }

    void Operator(int token) {
        if (countOperators_) s_.lastPrecedence = OperatorPrecedenceCode(token);
    }

    std::int32_t Add(TranslatedNode node) {
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
    // variables, cells, each with a sign) stand beside a product operator;
    // NOT only first or last.
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
            if (!Unary(right) || Node(right).text || right.form == Form::Other) return false;
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
            if (!Next()) return false;
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
        if (!Next() || e_.m_Token != tok::OpenParen) return false;
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
        if (shape == BuiltinShape::None) return false;
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
        out.form = Form::Other;
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
    bool countOperators_ = true;
    bool inSubscript_ = false;
    bool afterComma_ = false;
};

// --- Running ------------------------------------------------------------------

// One run of a translated statement. The registers the evaluator would
// change (its number and text, the symbol read last) are followed as it
// would change them; nothing outside is touched until the run completes.
class TranslatedRun {
public:
    TranslatedRun(TLangEngine& engine, TranslatedStatement& statement) : e_(engine), s_(statement) {}

    bool Assignment() {
        TERP_SYMBOL_TAG& target = *s_.target;
        // The target is read first, as the evaluator resolves it.
        std::int32_t targetCell = 0;
        CellSelection targetSelection;
        if (s_.targetCell >= 0) {
            if (!SelectCell(NodeAt(s_.targetCell), targetSelection)) return false;
            targetCell = targetSelection.cell;
        } else if (target.SymKind == tok::NumberDecl) {
            number_ = target.SymValue;
        } else {
            text_ = &target.SymText;
        }
        const TranslatedNode& root = NodeAt(s_.root);
        long double result = 0;
        const std::string* resultText = nullptr;
        if (root.text) {
            if (!Text(s_.root, resultText)) return false;
        } else if (!Number(s_.root, result) || !Storable(result)) {
            return false;
        }
        const bool isCell = s_.targetCell >= 0;
        std::size_t heldSize = 0;
        if (root.text) {
            heldSize = isCell ? target.SymCells[static_cast<std::size_t>(targetCell)].Text.size() : target.SymText.size();
            if (resultText->size() > heldSize && !e_.m_Memory.Fits(resultText->size() - heldSize)) return false;
        }

        // Nothing can fail from here on.
        if (isCell) std::copy(targetSelection.subscripts.begin(), targetSelection.subscripts.end(), target.SymSub.begin());
        CommitCells();
        if (root.text) {
            e_.m_Memory.Resize(heldSize, resultText->size());
            e_.m_TokenText = *resultText;
            if (isCell) {
                target.SymCells[static_cast<std::size_t>(targetCell)].Text = e_.m_TokenText;
                target.SymExtra = targetCell;
            }
            target.SymText = e_.m_TokenText;
            e_.m_NumValue = number_;
        } else {
            const double stored = static_cast<double>(result);
            if (isCell) {
                target.SymCells[static_cast<std::size_t>(targetCell)].Number = stored;
                target.SymExtra = targetCell;
            }
            target.SymValue = stored;
            e_.m_NumValue = result;
            if (text_) e_.m_TokenText = *text_;
        }
        e_.m_CurrentSymbol = &target;
        e_.m_SavedToken = tok::SymbolRef;
        e_.m_ValueType = tok::SymbolRef;
        Finish();
        return true;
    }

    bool Condition() {
        number_ = e_.m_NumValue;
        long double result = 0;
        if (!Number(s_.root, result)) return false;
        CommitCells();
        e_.m_NumValue = result;
        if (text_) e_.m_TokenText = *text_;
        if (s_.lastSymbol) e_.m_CurrentSymbol = s_.lastSymbol;
        e_.m_SavedToken = s_.valueKind;
        e_.m_ValueType = s_.valueKind;
        Finish();
        return true;
    }

private:
    const TranslatedNode& NodeAt(std::int32_t index) const { return s_.nodes[static_cast<std::size_t>(index)]; }

    void Finish() {
        e_.m_EvalFlags.Assignable = true;
        e_.m_EvalFlags.AfterSeparator = false;
        if (s_.lastPrecedence >= 0) e_.m_EvalWork = s_.lastPrecedence;
        e_.m_Token = s_.endToken;
        e_.m_TextPos = s_.end;
        e_.tokenStart_ = s_.endTokenStart;
        e_.lineEndPos_ = s_.endLineEnd;
    }

    // The cells select themselves in their arrays in the order they were read.
    void CommitCells() {
        for (const CellSelection& selection : s_.cells) {
            TERP_SYMBOL_TAG& array = *selection.array;
            std::copy(selection.subscripts.begin(), selection.subscripts.end(), array.SymSub.begin());
            array.SymExtra = selection.cell;
            if (array.SymKind == tok::StringArray)
                array.SymText = array.SymCells[static_cast<std::size_t>(selection.cell)].Text;
            else
                array.SymValue = selection.number;
        }
    }

    bool SelectCell(const TranslatedNode& node, CellSelection& selection) {
        const TERP_SYMBOL_TAG& array = *node.symbol;
        selection.subscripts.fill(0);
        std::int64_t index = 0;
        for (int i = 0; i < node.argumentCount; ++i) {
            number_ = 0;
            long double value = 0;
            if (!Number(node.arguments[static_cast<std::size_t>(i)], value)) return false;
            const std::int32_t highest = array.SymDim[static_cast<std::size_t>(i)];
            if (!(value >= 0) || value >= highest + 1.0L) return false;
            selection.subscripts[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(TruncatedWhole(value));
            index = index * (static_cast<std::int64_t>(highest) + 1) + selection.subscripts[static_cast<std::size_t>(i)];
        }
        if (index < 0 || static_cast<std::size_t>(index) >= array.SymCells.size()) return false;
        selection.cell = static_cast<std::int32_t>(index);
        selection.array = node.symbol;
        const ARRAY_ELEMENT_TAG& cell = array.SymCells[static_cast<std::size_t>(index)];
        if (array.SymKind == tok::StringArray) {
            text_ = &cell.Text.str();
        } else {
            selection.number = cell.Number;
            number_ = cell.Number;
        }
        return true;
    }

    bool Number(std::int32_t index, long double& out) {
        const TranslatedNode& node = NodeAt(index);
        switch (node.op) {
        case TranslatedOp::Number:
            out = node.number;
            break;
        case TranslatedOp::NumberVariable:
            out = node.symbol->SymValue;
            break;
        case TranslatedOp::NumberCell: {
            CellSelection& selection = s_.cells[static_cast<std::size_t>(node.cellSlot)];
            if (!SelectCell(node, selection)) return false;
            out = selection.number;
            break;
        }
        case TranslatedOp::Negate:
            if (!Number(node.arguments[0], out)) return false;
            out = -out;
            break;
        case TranslatedOp::Not:
            if (!Number(node.arguments[0], out)) return false;
            out = out == 0 ? 1 : 0;
            break;
        case TranslatedOp::Compare:
            if (!Compare(node, out)) return false;
            break;
        case TranslatedOp::And:
        case TranslatedOp::Or: {
            long double left = 0;
            long double right = 0;
            if (!Number(node.arguments[0], left) || !Number(node.arguments[1], right)) return false;
            const bool holds = node.op == TranslatedOp::And ? (left != 0 && right != 0) : (left != 0 || right != 0);
            out = holds ? 1 : 0;
            break;
        }
        case TranslatedOp::Builtin:
            if (!NumberBuiltin(node, out)) return false;
            break;
        default:
            if (!Arithmetic(node, out)) return false;
            break;
        }
        number_ = out;
        return true;
    }

    bool Arithmetic(const TranslatedNode& node, long double& out) {
        long double leftValue = 0;
        long double right = 0;
        if (!Number(node.arguments[0], leftValue) || !Number(node.arguments[1], right)) return false;
        const double left = static_cast<double>(leftValue);
        switch (node.op) {
        case TranslatedOp::Add: out = left + right; return Storable(out);
        case TranslatedOp::Subtract: out = left - right; return Storable(out);
        case TranslatedOp::Multiply: out = left * right; return Storable(out);
        case TranslatedOp::Divide: out = right == 0 ? 0 : left / right; return Storable(out);
        case TranslatedOp::Power: out = std::pow(static_cast<long double>(left), right); return Storable(out);
        default: break;
        }
        const std::optional<std::int64_t> a = WholeOperand(left);
        const std::optional<std::int64_t> b = WholeOperand(right);
        if (!a || !b) return false;
        if (node.op == TranslatedOp::IntDivide)
            out = *b == 0 ? 0 : static_cast<long double>(*a / *b);
        else
            out = *b == 0 ? 0 : static_cast<long double>((*a < 0 ? -*a : *a) % (*b < 0 ? -*b : *b));
        return true;
    }

    // An operand of "\" or MOD: its whole part when it fits a 64-bit integer
    // other than -2^63.
    static std::optional<std::int64_t> WholeOperand(long double value) {
        if (!(value > -kInt64Limit && value < kInt64Limit)) return std::nullopt;
        return TruncatedWhole(value);
    }

    bool Compare(const TranslatedNode& node, long double& out) {
        int order;
        if (NodeAt(node.arguments[0]).text) {
            const std::string* left = nullptr;
            const std::string* right = nullptr;
            if (!Text(node.arguments[0], left) || !Text(node.arguments[1], right)) return false;
            order = left->compare(*right);
            order = order < 0 ? -1 : order > 0 ? 1 : 0;
        } else {
            long double leftValue = 0;
            long double rightValue = 0;
            if (!Number(node.arguments[0], leftValue) || !Number(node.arguments[1], rightValue)) return false;
            const double left = static_cast<double>(leftValue);
            const double right = static_cast<double>(rightValue);
            order = left < right ? -1 : left > right ? 1 : 0;
        }
        bool holds = false;
        switch (node.code) {
        case tok::Less: holds = order == -1; break;
        case tok::Greater: holds = order == 1; break;
        case tok::Equal: holds = order == 0; break;
        case tok::GreaterEqual: holds = order >= 0; break;
        case tok::LessEqual: holds = order <= 0; break;
        default: holds = order != 0; break;
        }
        out = holds ? 1 : 0;
        return true;
    }

    bool Text(std::int32_t index, const std::string*& out) {
        TranslatedNode& node = s_.nodes[static_cast<std::size_t>(index)];
        switch (node.op) {
        case TranslatedOp::Text:
            out = &node.literal;
            break;
        case TranslatedOp::TextVariable:
            out = &node.symbol->SymText;
            break;
        case TranslatedOp::TextCell: {
            CellSelection& selection = s_.cells[static_cast<std::size_t>(node.cellSlot)];
            if (!SelectCell(node, selection)) return false;
            out = text_;
            break;
        }
        case TranslatedOp::Join:
            if (!Join(node)) return false;
            out = &node.value;
            break;
        case TranslatedOp::Builtin:
            if (!TextBuiltin(node)) return false;
            out = &node.value;
            break;
        default:
            return false;
        }
        text_ = out;
        return true;
    }

    bool Join(TranslatedNode& node) {
        const std::string* left = nullptr;
        if (!Text(node.arguments[0], left)) return false;
        if (NodeAt(node.arguments[1]).text) {
            const std::string* right = nullptr;
            if (!Text(node.arguments[1], right)) return false;
            if (!e_.m_Memory.Fits(left->size() + right->size())) return false;
            if (left == &node.value) {
                node.value += *right;
            } else {
                node.value.assign(*left);
                node.value += *right;
            }
            return true;
        }
        long double right = 0;
        if (!Number(node.arguments[1], right)) return false;
        const std::string digits = FormatFixed18(right);
        if (!e_.m_Memory.Fits(left->size() + digits.size())) return false;
        if (left != &node.value) node.value.assign(*left);
        node.value += digits;
        return true;
    }

    // The arguments of a built-in as the call reads them: the registers are
    // cleared before the first and before every further one.
    // Only the entries ReadArguments fills are read: left uninitialised, they
    // cost nothing in the frame of every nested operand.
    struct Arguments {
        long double numbers[TranslatedNode::kMaxArguments];
        const std::string* texts[TranslatedNode::kMaxArguments];
    };

    bool ReadArguments(const TranslatedNode& node, Arguments& arguments) {
        for (int i = 0; i < node.argumentCount; ++i) {
            text_ = &kEmpty;
            number_ = 0;
            const std::int32_t argument = node.arguments[static_cast<std::size_t>(i)];
            const bool ok = NodeAt(argument).text ? Text(argument, arguments.texts[i]) : Number(argument, arguments.numbers[i]);
            if (!ok) return false;
        }
        return true;
    }

    bool NumberBuiltin(const TranslatedNode& node, long double& out) {
        Arguments a;
        if (!ReadArguments(node, a)) return false;
        if (const std::optional<MathFunction> math = MathFunctionOf(node.code)) {
            const NumberResult result = ApplyMath(*math, a.numbers[0]);
            if (!result.Ok()) return false;
            out = result.Value;
            return true;
        }
        switch (node.code) {
        case fn::Asc: out = AscCode(*a.texts[0]); return true;
        case fn::Len: out = static_cast<long double>(a.texts[0]->size()); return true;
        case fn::Val: out = ValNumber(*a.texts[0]); return true;
        case fn::Instr: return Instr(node, a, out);
        default: return false;
        }
    }

    bool Instr(const TranslatedNode& node, const Arguments& a, long double& out) const {
        if (NodeAt(node.arguments[0]).text) {
            const bool exact = node.argumentCount == 3 && a.numbers[2] != 0;
            out = static_cast<long double>(InstrPosition(*a.texts[0], *a.texts[1], exact));
            return true;
        }
        if (a.numbers[0] - 1 < 0) return false;
        const std::optional<std::int64_t> from = SaturatingCount(a.numbers[0]);
        if (!from) return false;
        const bool exact = node.argumentCount == 4 && a.numbers[3] != 0;
        out = static_cast<long double>(InstrPosition(*a.texts[1], *a.texts[2], exact, *from));
        return true;
    }

    bool TextBuiltin(TranslatedNode& node) {
        Arguments a;
        if (!ReadArguments(node, a)) return false;
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
            node.value = node.code == fn::Left ? LeftText(*a.texts[0], *count) : RightText(*a.texts[0], *count);
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
            node.value = MidText(*a.texts[0], *from, length);
            return true;
        }
        default:
            return false;
        }
    }

    static const std::string kEmpty;

    TLangEngine& e_;
    TranslatedStatement& s_;
    long double number_ = 0;
    const std::string* text_ = nullptr;  // null: the text register keeps what it holds
};

const std::string TranslatedRun::kEmpty;

// --- The engine's side ----------------------------------------------------------

TranslatedStatement* TLangEngine::TranslatedAt(int position, TranslatedStatement::Kind kind, int endToken) {
    if (!m_TranslateLines || !TokenCacheUsable() || position < 1 || position > m_RunTextLength) return nullptr;
    std::int32_t& index = translatedIndex_[static_cast<std::size_t>(position)];
    if (index == kNotLookedAt) {
        auto statement = std::make_unique<TranslatedStatement>();
        statement->kind = kind;
        statement->endToken = endToken;
        index = TranslateStatement(position, *statement) ? static_cast<std::int32_t>(translated_.size()) : kNotCompiled;
        if (index != kNotCompiled) translated_.push_back(std::move(statement));
    }
    if (index == kNotCompiled) return nullptr;
    TranslatedStatement* statement = translated_[static_cast<std::size_t>(index)].get();
    if (statement->kind != kind || statement->endToken != endToken) return nullptr;
    return statement;
}

bool TLangEngine::TranslateStatement(int position, TranslatedStatement& statement) {
    const TokenState saved = SaveTokenState();
    const int savedPrevious = previousToken_;
    const bool stopped = m_StopRequested;
    m_TextPos = position;
    m_Token = tok::EndOfLine;
    LineTranslator translator(*this, statement);
    bool translated = statement.kind == TranslatedStatement::Kind::Assignment ? translator.Assignment()
                                                                               : translator.Condition(statement.endToken);
    translated = translated && !m_StopRequested && m_Token == statement.endToken;
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
