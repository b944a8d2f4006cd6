// The host data interface: host functions, host variables and arrays, the
// variables and array cells a script leaves, and the arguments and result of
// a host-function call.
#include "Tlanghostdata.h"

#include "Tlangengine.h"
#include "Tlangnumbers.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <algorithm>

namespace pevox {

namespace {

const char* const kDigitFirst = "First character may not be a digit!";
const char* const kIllegalCharacters = "Illegal character(s) in Variable Identifier!";
const char* const kReservedWord = "Attempt to use reserved word!";
const char* const kDimensionNotPositive = "First Array dimension must be positive and greater than zero";
const char* const kArrayTooLarge = "Failed to allocate memory for array!";

// The messages of one family of array-cell members.
struct CellMessages {
    std::string wrongName;
    std::string negativeFirst;
    std::string outOfRange;
};

CellMessages StringCellMessages(const std::string& name) {
    return {name + " is not a string array name.", "First subscript must be >= zero referencing: " + name,
            "Subscript out of range referencing: " + name};
}

CellMessages GetNumberCellMessages(const std::string& name, const TERP_SYMBOL_TAG* array) {
    return {name + " is not a numeric array name",
            "First Subscript must be >= zero referencing " + (array ? array->SymDisplayName : name),
            "Subscript out of Range referencing: " + name};
}

CellMessages SetNumberCellMessages(const std::string& name) {
    return {name + "is not a numeric array name", "First subscript must be >= zero referencing: " + name,
            "Subscript out of range referencing: " + name};
}

// The flat index of the cell the subscripts name, or the refusal. Every
// subscript the array uses is checked against its own dimension, so a cell
// is never reached through the subscripts of another.
std::int32_t FindCell(const TERP_SYMBOL_TAG& array, const HostIndexes& subscripts, const CellMessages& messages,
                      HostResult& result) {
    if (subscripts[0] < 0) {
        result = HostResult::Refuse(messages.negativeFirst);
        return -1;
    }
    std::int32_t cell[kMaxArrayDims] = {};
    for (int i = 0; i < kMaxArrayDims; ++i) {
        const int subscript = subscripts[static_cast<std::size_t>(i)];
        cell[i] = i > 0 && subscript == -1 ? 0 : subscript;
    }
    for (int i = 0; i < array.SymDims; ++i) {
        if (cell[i] < 0 || cell[i] > array.SymDim[static_cast<std::size_t>(i)]) {
            result = HostResult::Refuse(messages.outOfRange);
            return -1;
        }
    }
    const std::int32_t flat = FlatIndex(array, cell);
    if (flat < 0 || static_cast<std::size_t>(flat) >= array.SymCells.size()) {
        result = HostResult::Refuse(messages.outOfRange);
        return -1;
    }
    return flat;
}

// The cell count of the array the line will describe stays within what a
// run can make.
bool HostArrayFits(const HostIndexes& highestIndexes) {
    std::int32_t dims[kMaxArrayDims] = {};
    int count = 0;
    for (int index : highestIndexes) {
        if (index < 0) break;
        dims[count++] = index;
    }
    return ArrayCellCount(dims, count) >= 0;
}

}  // namespace

std::string HostVariableLine(const std::string& name, int type, bool isConstant) {
    return name + " |" + std::to_string(type) + " |" + (type == TxNumber ? "0" : "") + " |" + (isConstant ? "C" : "V");
}

std::string HostArrayLine(const std::string& name, int arrayType, const HostIndexes& highestIndexes) {
    std::string line = name + " |" + std::to_string(arrayType == TxNumber ? tok::NumericArray : tok::StringArray) + " |";
    // The first dimension that is left out ends the list: it and every one
    // after it are written as 0.
    bool ended = false;
    for (std::size_t i = 0; i < highestIndexes.size(); ++i) {
        const int size = highestIndexes[i] + 1;
        if (size <= 0) ended = true;
        if (i > 0) line += " ,";
        line += ended ? "0" : std::to_string(size);
    }
    return line;
}

void TLangEngine::ReportHostError(const std::string& message) {
    m_StopRequested = false;
    ReportError(message);
}

int TLangEngine::LookupWord(const std::string& word, std::string& registeredName) const {
    registeredName.clear();
    const std::string key = platform::Trim(platform::UpperCase(word));
    if (const auto keyword = m_KeywordIndex.find(key); keyword != m_KeywordIndex.end()) return keyword->second;
    if (key == "*") return tok::Multiply;
    if (std::string constant = LookupConstant(key); !constant.empty()) {
        registeredName = std::move(constant);
        return tok::SymbolRef;
    }
    if (const TERP_SYMBOL_TAG* function = FindFunctionByName(key)) {
        registeredName = function->SymDisplayName;
        return tok::HostFunctionName;
    }
    return tok::None;
}

std::string TLangEngine::HostNameRefusal(const std::string& name) {
    switch (ValidateIdentifier(name)) {
    case 1: return kDigitFirst;
    case 2: return kIllegalCharacters;
    default: break;
    }
    const auto keyword = m_KeywordIndex.find(platform::UpperCase(name));
    if (keyword == m_KeywordIndex.end()) return std::string();
    if (IsReservedCode(keyword->second)) ReportError("Keyword " + name + " reserved for future use.");
    return kReservedWord;
}

HostResult TLangEngine::RefuseRegistration(const std::string& message) {
    Terminate();
    return HostResult::Refuse(message);
}

HostResult TLangEngine::AddFunction(const std::string& keyword, int paramCount, int ordinal, int returnType,
                                    int minParams) {
    // A run in progress must go on after a registration: the stop flag is
    // only borrowed for the look-up and its report.
    const bool wasStopped = m_StopRequested;
    m_StopRequested = false;
    const std::string name = platform::Trim(keyword);
    if (std::string refusal = HostNameRefusal(name); !refusal.empty()) return RefuseRegistration(refusal);
    const std::string key = SymbolKey(name);
    const bool nameTaken = m_Labels.Find(key) || m_Variables.Find(key) || m_Functions.Find(key) ||
                           !LookupConstant(key).empty();
    if (nameTaken || FindFunction(ordinal) || ordinal < 1 || ordinal > tok::MaxHostOrdinal)
        return RefuseRegistration("Invalid symbol name or ordinal value.\n\rFailed to add function : " + keyword);

    TERP_SYMBOL_TAG function;
    function.SymName = key;
    function.SymDisplayName = name;
    function.SymKind = tok::Proc;
    function.SymExtra = paramCount;
    function.SymValue = minParams == -1 ? paramCount : minParams;
    function.SymCount = ordinal;
    function.SymDims = returnType;
    AddFunctionSymbol(std::move(function));
    m_StopRequested = wasStopped;
    return HostResult::Ok();
}

HostResult TLangEngine::AddVariable(const std::string& varName, int varType, bool isConstant) {
    const bool wasStopped = m_StopRequested;
    m_StopRequested = false;
    const std::string name = platform::Trim(varName);
    std::string refusal = HostNameRefusal(name);
    // A line of any other type would make every run's set-up of the host
    // variables fail.
    if (refusal.empty() && varType != TxNumber && varType != TxString) refusal = "Invalid variable type!";
    if (refusal.empty() && (!LookupConstant(name).empty() || FindFunctionByName(name)))
        refusal = "Variable " + name + " already declared!";
    if (!refusal.empty()) return RefuseRegistration(refusal);
    if (!m_HostVariables) m_HostVariables.emplace();
    m_HostVariables->push_back(HostVariableLine(name, varType, isConstant));
    m_StopRequested = wasStopped;
    return HostResult::Ok();
}

HostResult TLangEngine::AddArray(const std::string& arrayName, int arrayType, const HostIndexes& dims) {
    if (dims[0] <= 0) {
        ReportHostError(kDimensionNotPositive);
        return HostResult::Decline();
    }
    // The name is checked as a variable's is: a name that cannot be read, or
    // a bar that breaks the line, would make every run's set-up fail.
    const bool wasStopped = m_StopRequested;
    m_StopRequested = false;
    const std::string name = platform::Trim(arrayName);
    std::string refusal = HostNameRefusal(name);
    if (refusal.empty() && (!LookupConstant(name).empty() || FindFunctionByName(name)))
        refusal = "Variable " + name + " already declared!";
    // An array no run can make would fail the set-up of every run after it.
    if (refusal.empty() && !HostArrayFits(dims)) refusal = kArrayTooLarge;
    if (!refusal.empty()) return RefuseRegistration(refusal);
    if (!m_HostVariables) m_HostVariables.emplace();
    m_HostVariables->push_back(HostArrayLine(platform::UpperCase(name), arrayType, dims));
    m_StopRequested = wasStopped;
    return HostResult::Ok();
}

HostResult TLangEngine::GetSVariable(const std::string& varName, std::string& value) const {
    value.clear();
    const TERP_SYMBOL_TAG* symbol = FindSymbol(varName, kVariableList);
    if (!symbol) return HostResult::Refuse(varName + " is not a variable name.");
    switch (symbol->SymKind) {
    case tok::NumberDecl: value = FormatGeneral(symbol->SymValue); return HostResult::Ok();
    case tok::StringDecl: value = symbol->SymText; return HostResult::Ok();
    default: return HostResult::Refuse(varName + " is not a string variable.");
    }
}

HostResult TLangEngine::SetSVariable(const std::string& varName, const std::string& value) {
    TERP_SYMBOL_TAG* symbol = FindSymbol(varName, kVariableList);
    if (!symbol) return HostResult::Refuse(varName + " is not a variable name.");
    if (symbol->SymKind != tok::StringDecl) return HostResult::Refuse(varName + " is not a string variable name.");
    if (!m_Memory.Resize(symbol->SymText.size(), value.size())) return HostResult::Refuse(std::string(msg::OutOfMemory));
    // The text register may follow the variable's old text.
    m_TokenText.Release(symbol->SymText);
    symbol->SymText = value;
    return HostResult::Ok();
}

HostResult TLangEngine::GetNVariable(const std::string& varName, double& value) const {
    const TERP_SYMBOL_TAG* symbol = FindSymbol(varName, kVariableList);
    if (!symbol) return HostResult::Refuse(varName + " is not a variable name.");
    switch (symbol->SymKind) {
    case tok::NumberDecl:
        value = symbol->SymValue;
        return HostResult::Ok();
    case tok::StringDecl: {
        long double number = 0;
        if (!platform::ParseFloat(symbol->SymText, number))
            return HostResult::Refuse("'" + symbol->SymText + "' is not a valid floating point value");
        value = static_cast<double>(number);
        return HostResult::Ok();
    }
    default:
        return HostResult::Refuse("Type Mismatch. " + varName + " is an array.");
    }
}

HostResult TLangEngine::SetNVariable(const std::string& varName, double value) {
    TERP_SYMBOL_TAG* symbol = FindSymbol(varName, kVariableList);
    // A host sets its constants by name at every run; one that is not there
    // (a host-variable line that failed) is passed over.
    if (!symbol) return HostResult::Ok();
    switch (symbol->SymKind) {
    case tok::NumberDecl:
        symbol->SymValue = value;
        return HostResult::Ok();
    case tok::StringDecl:
        return HostResult::Refuse("Type Mismatch. " + varName + " is not numeric.");
    default:
        return HostResult::Refuse("Type Mismatch. " + varName + " is an array.");
    }
}

HostResult TLangEngine::GetSArray(const std::string& arrayName, std::string& value,
                                  const HostIndexes& subscripts) const {
    const TERP_SYMBOL_TAG* array = FindSymbol(arrayName, kVariableList);
    const CellMessages messages = StringCellMessages(arrayName);
    if (!array || array->SymKind != tok::StringArray) return HostResult::Refuse(messages.wrongName);
    HostResult result;
    const std::int32_t cell = FindCell(*array, subscripts, messages, result);
    if (cell < 0) return result;
    value = array->SymCells[static_cast<std::size_t>(cell)].Text;
    return result;
}

HostResult TLangEngine::SetSArray(const std::string& arrayName, const std::string& value,
                                  const HostIndexes& subscripts) {
    TERP_SYMBOL_TAG* array = FindSymbol(arrayName, kVariableList);
    const CellMessages messages = StringCellMessages(arrayName);
    if (!array || array->SymKind != tok::StringArray) return HostResult::Refuse(messages.wrongName);
    HostResult result;
    const std::int32_t cell = FindCell(*array, subscripts, messages, result);
    if (cell < 0) return result;
    CellText& text = array->SymCells[static_cast<std::size_t>(cell)].Text;
    if (!m_Memory.Resize(text.size(), value.size())) return HostResult::Refuse(std::string(msg::OutOfMemory));
    text = value;
    return result;
}

HostResult TLangEngine::GetNArray(const std::string& arrayName, double& value, const HostIndexes& subscripts) const {
    const TERP_SYMBOL_TAG* array = FindSymbol(arrayName, kVariableList);
    const bool numeric = array && array->SymKind == tok::NumericArray;
    const CellMessages messages = GetNumberCellMessages(arrayName, numeric ? array : nullptr);
    if (!numeric) return HostResult::Refuse(messages.wrongName);
    HostResult result;
    const std::int32_t cell = FindCell(*array, subscripts, messages, result);
    if (cell < 0) return result;
    value = array->SymCells[static_cast<std::size_t>(cell)].Number;
    return result;
}

HostResult TLangEngine::SetNArray(const std::string& arrayName, double value, const HostIndexes& subscripts) {
    TERP_SYMBOL_TAG* array = FindSymbol(arrayName, kVariableList);
    const CellMessages messages = SetNumberCellMessages(arrayName);
    if (!array || array->SymKind != tok::NumericArray) return HostResult::Refuse(messages.wrongName);
    HostResult result;
    const std::int32_t cell = FindCell(*array, subscripts, messages, result);
    if (cell < 0) return result;
    array->SymCells[static_cast<std::size_t>(cell)].Number = value;
    return result;
}

HostResult TLangEngine::GetArrayBounds(const std::string& arrayName, HostIndexes& dims) const {
    const TERP_SYMBOL_TAG* array = FindSymbol(arrayName, kVariableList);
    if (!array || !IsArrayKind(array->SymKind)) return HostResult::Refuse(arrayName + " is not an array name.");
    // A dimension the array has reads its highest index, 0 included.
    for (int i = 0; i < kMaxArrayDims; ++i)
        dims[static_cast<std::size_t>(i)] = i < array->SymDims ? array->SymDim[static_cast<std::size_t>(i)] : -1;
    return HostResult::Ok();
}

HostResult TLangEngine::ClearArray(const std::string& arrayName) {
    TERP_SYMBOL_TAG* array = FindSymbol(arrayName, kVariableList);
    if (!array || !IsArrayKind(array->SymKind)) return HostResult::Refuse(arrayName + " is not an array name.");
    ClearCells(*array);
    return HostResult::Ok();
}

namespace {

// A whole number of up to fifteen digits, as the engine writes one ("-12", or
// "12.000000000000000000" for a reference), is read without the general
// parser; fifteen digits are exact in a double, so the value is the one the
// parser gives.
bool ReadWholeArgument(std::string_view text, double& value) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t first = negative ? 1 : 0;
    std::size_t at = first;
    std::int64_t whole = 0;
    for (; at < text.size() && at - first < 15 && text[at] >= '0' && text[at] <= '9'; ++at) whole = whole * 10 + (text[at] - '0');
    if (at == first) return false;
    if (at < text.size() && text[at] == '.')
        for (++at; at < text.size() && text[at] == '0';) ++at;
    if (at != text.size()) return false;
    value = negative ? -static_cast<double>(whole) : static_cast<double>(whole);
    return true;
}

}  // namespace

double TLangEngine::GetNParam(int position) const {
    const std::string_view text = ParamText(position);
    double whole = 0;
    if (ReadWholeArgument(text, whole)) return whole;
    long double number = 0;
    if (!platform::ParseFloat(text, number)) return 0;
    return static_cast<double>(number);
}

std::string TLangEngine::GetSParam(int position) const { return std::string(ParamText(position)); }

std::string_view TLangEngine::ParamText(int position) const {
    if (!m_ParamList || position < 1 || position > static_cast<int>(m_ParamList->size())) return {};
    return (*m_ParamList)[static_cast<std::size_t>(position) - 1];
}

}  // namespace pevox
