#pragma once

#include <tormakelin/fxcore/Parameter.h>

namespace tormakelin::fxcore {

// Parameters of these types keep their value as text, readable in place without a copy.
inline bool holdsText(ParameterType type)
{
    return type == kParameterText || type == kParameterResource || type == kParameterLink;
}

// Copies the source's value into a member of the given type (the type of the input that owns
// it), converting through text only when the source's type differs. True when the member changed.
bool readIntoVariable(IParameter const& source, ParameterType memberType, void* variable);

// Writes a member of the parameter's own type into the parameter.
void writeFromVariable(IParameter& target, void const* variable);

// Pushes an output's value into a linked input: copied whole between equal types, through the
// text forms otherwise.
void pushValue(IParameter& from, IParameter& to);

} // namespace tormakelin::fxcore
