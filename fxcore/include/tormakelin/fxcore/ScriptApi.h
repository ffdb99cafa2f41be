#pragma once

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/ScriptEngine.h>

#include <string>

namespace AngelScript {
class asIScriptEngine;
}

namespace tormakelin::fxcore {

class IParameter;

// Each binding registers its part of the script API on an engine.
class TORMAKELIN_FXCORE_API AsString {
public:
    static void registerObject(AngelScript::asIScriptEngine* engine);
};

class TORMAKELIN_FXCORE_API AsMath {
public:
    static void registerObject(AngelScript::asIScriptEngine* engine);
};

class TORMAKELIN_FXCORE_API AsColor {
public:
    static void registerObject(AngelScript::asIScriptEngine* engine);
};

class TORMAKELIN_FXCORE_API AsVec2 {
public:
    static void registerObject(AngelScript::asIScriptEngine* engine);
};

class TORMAKELIN_FXCORE_API AsVec3 {
public:
    static void registerObject(AngelScript::asIScriptEngine* engine);
};

class TORMAKELIN_FXCORE_API AsVec4 {
public:
    static void registerObject(AngelScript::asIScriptEngine* engine);
};

// Scripts have no matrix type.
class TORMAKELIN_FXCORE_API AsMatrix {
public:
    static void registerObject(AngelScript::asIScriptEngine* engine);
};

class TORMAKELIN_FXCORE_API AsTormakelin {
public:
    static void registerObject(AngelScript::asIScriptEngine* engine);

    // Valid only while a module runs.
    static ScriptContext s_context;

    // How a script finds an input of its node by full name; null when the node has none.
    using InputLookup = IParameter* (*)(IGraphNode* node, std::string const& name);
    static InputLookup s_inputLookup;
};

} // namespace tormakelin::fxcore
