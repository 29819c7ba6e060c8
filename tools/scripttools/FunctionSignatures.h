#pragma once
// What each value function and each statement with an argument list takes, for the checker: how
// many arguments, and what each one is. The interpreter's table (ScriptFunctionTable.cpp) says
// which names exist and in what order they are tried; this one adds what it leaves to each
// function's own parsing.
#include <array>
#include <string_view>

namespace talvex::scripttools {

enum class ArgumentKind {
    kValue,    // a variable whose value is used
    kMode,     // SUBSTR's literal FWD or REV
    kHexText,  // HEX: a text in double quotes, or a variable
    kKey,      // CALLSCRIPT's site key in double quotes
    kTarget,   // REQUESTLOGIN: a variable the statement sets
};

struct Signature {
    std::wstring_view name;
    // -1: any (GETFILE ignores whatever it is given).
    int arguments = 0;
    std::array<ArgumentKind, 4> kinds{};
    // ISURLALIVE reads even an empty argument (the variable with the empty name).
    bool emptyArgumentAllowed = false;
    // GETTITLE reads the page from ORGHTML.
    bool readsPage = false;
    // GETFILE is accepted and does nothing.
    bool doesNothing = false;
};

// The value function of that exact name; null when there is none.
const Signature* FindFunctionSignature(std::wstring_view name);
// The statements written with an argument list: SETCOOKIE, REQUESTLOGIN, CALLSCRIPT.
const Signature* FindStatementSignature(std::wstring_view name);

// Every value function, in the interpreter's order.
const Signature* FunctionSignaturesBegin();
const Signature* FunctionSignaturesEnd();

}  // namespace talvex::scripttools
