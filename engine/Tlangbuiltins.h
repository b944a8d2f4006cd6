// The 62 built-in functions of the script language: each is a keyword with
// its own token code, called as the name directly followed by "(" and its
// arguments. TLangEngine::EvalBuiltin carries out the call whose code is the
// current token and leaves the result in the evaluation registers.
#pragma once

#include "Tlangmaths.h"

#include <optional>

namespace pevox {

namespace fn {
constexpr int Asc = 2;
constexpr int Chr = 3;
constexpr int Left = 4;
constexpr int Len = 5;
constexpr int Mid = 6;
constexpr int FOpen = 8;
constexpr int Right = 11;
constexpr int Str = 14;
constexpr int Val = 15;
constexpr int FPuts = 16;
constexpr int FPutc = 17;
constexpr int Instr = 18;
constexpr int Trim = 19;
constexpr int LTrim = 20;
constexpr int RTrim = 21;
constexpr int FGetc = 30;
constexpr int Sqr = 123;
constexpr int FCloseAll = 126;
constexpr int Sin = 145;
constexpr int Cos = 146;
constexpr int Tan = 147;
constexpr int Atn = 148;
constexpr int Cwd = 149;
constexpr int FindFirst = 150;
constexpr int FindNext = 151;
constexpr int ASin = 152;
constexpr int FileLen = 153;
constexpr int Hex = 154;
constexpr int ACos = 155;
constexpr int Abs = 156;
constexpr int Sgn = 157;
constexpr int Int = 158;
constexpr int Exp = 159;
constexpr int Exp2 = 160;
constexpr int Exp10 = 161;
constexpr int Log = 162;
constexpr int Log2 = 163;
constexpr int Log10 = 164;
constexpr int Name = 165;
constexpr int LCase = 166;
constexpr int UCase = 167;
constexpr int Erase = 168;
constexpr int Kill = 172;
constexpr int FEof = 173;
constexpr int FGets = 174;
constexpr int FClose = 175;
constexpr int FTell = 176;
constexpr int FSeek = 177;
constexpr int MkDir = 180;
constexpr int ChDir = 181;
constexpr int Beep = 183;
constexpr int FileExists = 184;
constexpr int RmDir = 185;
constexpr int Now = 190;
constexpr int DateString = 191;
constexpr int TimeString = 192;
constexpr int DateTimeString = 193;
constexpr int DateAdd = 194;
constexpr int DateSub = 195;
constexpr int FormatDateTime = 196;
constexpr int Timer = 197;
constexpr int StringToDate = 198;
}  // namespace fn

// Whether the token code is one of the 62 built-in functions.
bool IsBuiltinCode(int code);

// The maths function of a built-in's code; none for the other built-ins.
std::optional<MathFunction> MathFunctionOf(int function);

}  // namespace pevox
