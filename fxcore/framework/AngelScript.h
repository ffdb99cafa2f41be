#pragma once
// Debian builds the script library with its classes inside the AngelScript namespace; the build
// defines AS_USE_NAMESPACE so our declarations name the same types.

#include <angelscript.h>

using namespace AngelScript;
