#include <tormakelin/fxcore/ScriptApi.h>

#include <tormakelin/core/String.h>

#include "ScriptString.h"

#include "AngelScript.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tormakelin::fxcore {

// A few released Strings per thread, kept with their storage for the next copies.
struct ScriptStringPool {
    static constexpr size_t kKept = 64;
    std::vector<ScriptString*> free;

    ScriptStringPool() { free.reserve(kKept); }
    ~ScriptStringPool()
    {
        alive() = false;
        for (ScriptString* string : free)
            delete string;
    }
    // Strings released after the pool is gone (at thread exit) are deleted at once.
    static bool& alive()
    {
        static thread_local bool flag = true;
        return flag;
    }
};

namespace {

thread_local ScriptStringPool t_pool;

} // namespace

ScriptString* ScriptString::make(std::string const& text)
{
    if (!ScriptStringPool::alive() || t_pool.free.empty())
        return new ScriptString(text);
    ScriptString* string = t_pool.free.back();
    t_pool.free.pop_back();
    string->m_refCount = 1;
    string->m_text = text;
    return string;
}

void ScriptString::recycle(ScriptString* released)
{
    if (ScriptStringPool::alive() && t_pool.free.size() < ScriptStringPool::kKept) {
        t_pool.free.push_back(released);
        return;
    }
    delete released;
}

namespace {

ScriptString* makeEmpty()
{
    return ScriptString::make(std::string());
}

ScriptString* makeCopy(ScriptString const& other)
{
    return ScriptString::make(other.text());
}

// Literals are kept by the engine; scripts always receive copies of them.
class StringFactory final : public asIStringFactory {
public:
    void const* GetStringConstant(char const* data, asUINT length) override
    {
        return new ScriptString(std::string(data, length));
    }
    int ReleaseStringConstant(void const* str) override
    {
        if (!str)
            return asERROR;
        const_cast<ScriptString*>(static_cast<ScriptString const*>(str))->release();
        return asSUCCESS;
    }
    int GetRawStringData(void const* str, char* data, asUINT* length) const override
    {
        if (!str)
            return asERROR;
        std::string const& text = static_cast<ScriptString const*>(str)->text();
        if (length)
            *length = static_cast<asUINT>(text.size());
        if (data)
            std::copy_n(text.data(), text.size(), data);
        return asSUCCESS;
    }
};

StringFactory g_stringFactory;

// Doubling a string in a loop would fill the memory long before the run's time is up: longer
// texts stop the script with an exception instead.
constexpr size_t kMaxScriptStringBytes = size_t(16) << 20;

bool fitsString(size_t size)
{
    if (size <= kMaxScriptStringBytes)
        return true;
    if (asIScriptContext* context = asGetActiveContext())
        context->SetException("String too long");
    return false;
}

ScriptString* joined(std::string const& first, std::string const& second)
{
    if (!fitsString(first.size() + second.size()))
        return makeEmpty();
    ScriptString* result = ScriptString::make(first);
    result->text() += second;
    return result;
}

ScriptString& assign(ScriptString const& other, ScriptString* self)
{
    self->text() = other.text();
    return *self;
}

ScriptString& append(ScriptString const& other, ScriptString* self)
{
    if (fitsString(self->text().size() + other.text().size()))
        self->text() += other.text();
    return *self;
}

bool equals(ScriptString const& other, ScriptString const* self)
{
    return self->text() == other.text();
}

int compare(ScriptString const& other, ScriptString const* self)
{
    int const c = self->text().compare(other.text());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

ScriptString* concat(ScriptString const& other, ScriptString const* self)
{
    return joined(self->text(), other.text());
}

unsigned char* byteAt(unsigned int index, ScriptString* self)
{
    if (index >= self->text().size()) {
        if (asIScriptContext* context = asGetActiveContext())
            context->SetException("Out of range");
        return nullptr;
    }
    return reinterpret_cast<unsigned char*>(&self->text()[index]);
}

unsigned int length(ScriptString const* self)
{
    return static_cast<unsigned int>(self->text().size());
}

std::string numberText(double value) { return core::formatString("%g", value); }
std::string numberText(float value) { return core::formatString("%g", static_cast<double>(value)); }
std::string numberText(int value) { return core::formatString("%d", value); }
std::string numberText(unsigned int value) { return core::formatString("%u", value); }

template <typename T>
ScriptString& assignNumber(T value, ScriptString* self)
{
    self->text() = numberText(value);
    return *self;
}

template <typename T>
ScriptString& appendNumber(T value, ScriptString* self)
{
    std::string const number = numberText(value);
    if (fitsString(self->text().size() + number.size()))
        self->text() += number;
    return *self;
}

template <typename T>
ScriptString* concatNumber(T value, ScriptString const* self)
{
    return joined(self->text(), numberText(value));
}

template <typename T>
ScriptString* concatNumberFirst(T value, ScriptString const* self)
{
    return joined(numberText(value), self->text());
}

template <typename T>
void registerNumber(asIScriptEngine* engine, std::string const& type)
{
    std::string const assignDecl = "String &opAssign(" + type + ")";
    std::string const appendDecl = "String &opAddAssign(" + type + ")";
    std::string const addDecl = "String@ opAdd(" + type + ") const";
    std::string const addRDecl = "String@ opAdd_r(" + type + ") const";
    engine->RegisterObjectMethod("String", assignDecl.c_str(), asFUNCTION(assignNumber<T>), asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", appendDecl.c_str(), asFUNCTION(appendNumber<T>), asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", addDecl.c_str(), asFUNCTION(concatNumber<T>), asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", addRDecl.c_str(), asFUNCTION(concatNumberFirst<T>), asCALL_CDECL_OBJLAST);
}

} // namespace

void AsString::registerObject(asIScriptEngine* engine)
{
    engine->RegisterObjectType("String", 0, asOBJ_REF);
    engine->RegisterObjectBehaviour("String", asBEHAVE_FACTORY, "String@ f()", asFUNCTION(makeEmpty), asCALL_CDECL);
    engine->RegisterObjectBehaviour("String", asBEHAVE_FACTORY, "String@ f(const String &in)", asFUNCTION(makeCopy),
        asCALL_CDECL);
    engine->RegisterObjectBehaviour("String", asBEHAVE_ADDREF, "void f()", asMETHOD(ScriptString, addRef),
        asCALL_THISCALL);
    engine->RegisterObjectBehaviour("String", asBEHAVE_RELEASE, "void f()", asMETHOD(ScriptString, release),
        asCALL_THISCALL);
    engine->RegisterObjectMethod("String", "String &opAssign(const String &in)", asFUNCTION(assign),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", "String &opAddAssign(const String &in)", asFUNCTION(append),
        asCALL_CDECL_OBJLAST);
    engine->RegisterStringFactory("const String", &g_stringFactory);
    engine->RegisterObjectMethod("String", "bool opEquals(const String &in) const", asFUNCTION(equals),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", "int opCmp(const String &in) const", asFUNCTION(compare),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", "String@ opAdd(const String &in) const", asFUNCTION(concat),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", "uint8 &opIndex(uint)", asFUNCTION(byteAt), asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", "const uint8 &opIndex(uint) const", asFUNCTION(byteAt),
        asCALL_CDECL_OBJLAST);
    engine->RegisterObjectMethod("String", "uint length() const", asFUNCTION(length), asCALL_CDECL_OBJLAST);
    registerNumber<double>(engine, "double");
    registerNumber<float>(engine, "float");
    registerNumber<int>(engine, "int");
    registerNumber<unsigned int>(engine, "uint");
}

} // namespace tormakelin::fxcore
