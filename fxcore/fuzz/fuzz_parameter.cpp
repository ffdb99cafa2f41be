// Parameter values come from project documents as text: any text parses, and what a parameter
// prints it parses back to the same text.

#include <tormakelin/fxcore/Parameter.h>

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace tormakelin::fxcore;

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    std::string const text(reinterpret_cast<char const*>(data), size);
    for (int type = 0; type <= 12; ++type) {
        IParameter* parameter = createParameter(static_cast<ParameterType>(type));
        parameter->addRef();
        parameter->setText(text);
        std::string const printed = parameter->getText();
        parameter->setText(printed);
        if (parameter->getText() != printed)
            std::abort();
        IParameter* copy = parameter->clone();
        copy->addRef();
        copy->getMatrix();
        copy->getColor();
        copy->getBool();
        copy->release();
        parameter->release();
    }
    return 0;
}
