#pragma once

#include <string>

namespace AngelScript {
class asIScriptModule;
}

namespace tormakelin::fxcore::detail {

// The script compiler stops the whole process on some malformed texts (an assertion of the
// library fails, for one on a bitwise operator with a void operand), so each text is first
// compiled in a child process. False when that compile did not end normally in time: the text
// must not be compiled here. True also when no child could be made.
bool compilerSurvives(AngelScript::asIScriptModule* module, char const* section, std::string const& text);

} // namespace tormakelin::fxcore::detail
