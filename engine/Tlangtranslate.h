// The translated form of a statement: its tokens read once into a tree of
// operations over the symbol records they name, with literals converted and
// built-in functions bound. The run loop runs an assignment line, or the
// condition of an IF or WHILE, from this form and leaves the registers, the
// selected array cells and the text position as the evaluator would leave
// them; a statement the translation does not cover is read by the evaluator.
#pragma once

#include "Tlangmaths.h"
#include "Tlangsymbols.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pevox {

enum class TranslatedOp : std::uint8_t {
    Number,          // a number literal
    Text,            // a string literal
    NumberVariable,
    TextVariable,
    NumberCell,      // a cell of a numeric array; the arguments are its subscripts
    TextCell,
    Negate,
    Not,
    Add,
    Subtract,
    Multiply,
    Divide,
    IntDivide,
    Mod,
    Power,
    Join,            // a text followed by a text or a number
    Compare,         // two numbers or two texts; `code` is the relational operator
    And,
    Or,
    Builtin,         // a built-in function; `code` is its token. Only FGETC has a side effect: it reads a byte
};

class TranslatedRun;
struct TranslatedNode;
struct CellSelection;

// How a node gives its value in a run. A node that fails gives 0 or the empty
// text and marks the run failed.
using NumberHandler = long double (*)(const TranslatedNode& node, TranslatedRun& run);
using TextHandler = const std::string* (*)(TranslatedNode& node, TranslatedRun& run);

struct TranslatedNode {
    static constexpr int kMaxArguments = kMaxArrayDims;

    // Bound once the statement is translated, so a run follows pointers only.
    NumberHandler evaluate = nullptr;      // a number
    TextHandler evaluateText = nullptr;    // a text
    NumberHandler recordedEvaluate = nullptr;  // the node whose value the run keeps: its own handler
    std::array<TranslatedNode*, kMaxArguments> operands{};
    CellSelection* selection = nullptr;    // a cell: where its selection is kept
    MathFunction math = MathFunction::Sqr; // a mathematical built-in
    int exponent = 0;                      // "\" or MOD by a literal power of two: its exponent

    TranslatedOp op = TranslatedOp::Number;
    bool text = false;  // the value is a text
    int code = 0;
    int argumentCount = 0;
    std::array<std::int32_t, kMaxArguments> arguments{};  // operands, arguments or subscripts
    long double number = 0;
    std::string literal;
    TERP_SYMBOL_TAG* symbol = nullptr;
    int cellSlot = -1;  // a cell: where its selection is kept until the statement completes
    // The text a join or a built-in made, its buffer kept for the next run;
    // an assignment's target takes it over and leaves its old text here.
    std::string value;
};

// The cell an operand selected: its subscripts and flat index.
struct CellSelection {
    std::array<std::int32_t, kMaxArrayDims> subscripts{};
    std::int32_t cell = 0;
    TERP_SYMBOL_TAG* array = nullptr;
    double number = 0;
};

struct TranslatedStatement {
    enum class Kind : std::uint8_t { Assignment, Condition };
    // Where the registers' last values come from: the register keeps what
    // it held, is cleared, or holds the value of a node.
    enum class Source : std::uint8_t { Unchanged, Cleared, Node };

    // The nodes point at each other and at the cells, so a statement stays
    // where it was made.
    TranslatedStatement() = default;
    TranslatedStatement(const TranslatedStatement&) = delete;
    TranslatedStatement& operator=(const TranslatedStatement&) = delete;

    Kind kind = Kind::Assignment;
    std::vector<TranslatedNode> nodes;
    std::int32_t root = -1;
    // An assignment's target: a variable, or a cell whose subscripts are the
    // arguments of the node `targetCell`.
    TERP_SYMBOL_TAG* target = nullptr;
    std::int32_t targetCell = -1;
    bool targetReadsCells = false;  // the target cell's subscripts read cells
    // `V = V + ...`: the join's left operand is the target variable, to
    // which the run appends the right operand in place.
    bool appendsToTarget = false;
    std::vector<CellSelection> cells;  // one per cell read, in text order
    CellSelection targetSelection;
    // The registers' last values, known from the fixed order of evaluation:
    // the number register's when the statement gives a text, and the text
    // register's when it gives a number.
    Source lastNumberSource = Source::Unchanged;
    const TranslatedNode* lastNumber = nullptr;
    Source lastTextSource = Source::Unchanged;
    const TranslatedNode* lastText = nullptr;
    // What the evaluator leaves behind: the kind of the value, the symbol
    // read last and the precedence of the last operator (-1: none).
    std::int32_t valueKind = 0;
    TERP_SYMBOL_TAG* lastSymbol = nullptr;
    int lastPrecedence = -1;
    // The token that ends the statement and the text position after it.
    int endToken = 0;
    int end = 0;
    int endTokenStart = 0;
    int endLineEnd = 0;
    int line = 0;
};

}  // namespace pevox
