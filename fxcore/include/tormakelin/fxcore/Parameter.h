#pragma once

#include <tormakelin/fxcore/Export.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/UniqueId.h>

#include <d3dx9math.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tormakelin::fxcore {

// Stored in project documents as "Type".
enum ParameterType : int {
    kParameterLink = 0,
    kParameterText = 1,
    kParameterInt = 2,
    kParameterBool = 3,
    kParameterFloat = 4,
    kParameterVec2 = 5,
    kParameterVec3 = 6,
    kParameterVec4 = 7,
    kParameterMatrix = 8,
    kParameterColor = 9,
    kParameterOption = 10,
    kParameterResource = 11,
};

// Whether a parameter of the type may carry keyframes.
TORMAKELIN_FXCORE_API bool canAnimate(ParameterType type);

// Every field is separate and keeps its value when the type is not its own; int, option,
// bool (low byte) and float share one 32-bit scalar.
struct TORMAKELIN_FXCORE_API ParameterValue {
    ParameterValue();

    std::string text;
    D3DXVECTOR2 vec2;
    D3DXVECTOR3 vec3;
    D3DXVECTOR4 vec4;
    D3DXVECTOR4 color;
    D3DXMATRIX matrix;
    union Scalar {
        int32_t i;
        float f;
        uint8_t b;
    } scalar;
};

using ParameterOptions = std::map<std::string, int>;
using ParameterTextPairs = std::vector<std::pair<std::string, std::string>>;

// Stored in project documents as "EditorType".
enum ParameterEditorType : int {
    kEditorDefault = 0,
    kEditorRotation = 1, // a quaternion edited as angles; its tracks are rotation tracks
};

class TORMAKELIN_FXCORE_API IParameter {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual ParameterType getType() const = 0;
    virtual core::UniqueId const& getId() const = 0;
    virtual void setId(core::UniqueId const& id) = 0;
    virtual void addOption(std::string name, int value) = 0;
    virtual ParameterOptions const& getOptions() const = 0;
    virtual void addTextPair(std::string first, std::string second) = 0;
    virtual ParameterTextPairs const& getTextPairs() const = 0;
    virtual int getEditorType() const = 0;
    virtual void setEditorType(int editorType) = 0;
    virtual ParameterValue& getData() = 0;
    virtual void convertValue(ParameterType from, ParameterValue const* value, ParameterType to,
        ParameterValue* out) const = 0;
    virtual void getValueAs(ParameterType type, ParameterValue* out) const = 0;
    virtual void setValueAs(ParameterType type, ParameterValue const* in) = 0;
    virtual std::string getText() const = 0;
    virtual void setText(std::string const& text) = 0;
    virtual int getInt() const = 0;
    virtual void setInt(int value) = 0;
    virtual bool getBool() const = 0;
    virtual void setBool(bool value) = 0;
    virtual float getFloat() const = 0;
    virtual void setFloat(float value) = 0;
    virtual D3DXVECTOR2 getVec2() const = 0;
    virtual void setVec2(D3DXVECTOR2 const& value) = 0;
    virtual D3DXVECTOR3 getVec3() const = 0;
    virtual void setVec3(D3DXVECTOR3 const& value) = 0;
    virtual D3DXVECTOR4 getVec4() const = 0;
    virtual void setVec4(D3DXVECTOR4 const& value) = 0;
    virtual D3DXMATRIX getMatrix() const = 0;
    virtual void setMatrix(D3DXMATRIX const& value) = 0;
    virtual D3DXVECTOR4 getColor() const = 0;
    virtual void setColor(D3DXVECTOR4 const& value) = 0;
    // Same type, text, id and editor type; options and text pairs are not copied.
    virtual IParameter* clone() const = 0;
    virtual ~IParameter() = default;
};

class TORMAKELIN_FXCORE_API Parameter : public core::RefCounted<IParameter> {
public:
    explicit Parameter(ParameterType type);

    ParameterType getType() const override;
    core::UniqueId const& getId() const override;
    void setId(core::UniqueId const& id) override;
    void addOption(std::string name, int value) override;
    ParameterOptions const& getOptions() const override;
    void addTextPair(std::string first, std::string second) override;
    ParameterTextPairs const& getTextPairs() const override;
    int getEditorType() const override;
    void setEditorType(int editorType) override;
    ParameterValue& getData() override;
    void convertValue(ParameterType from, ParameterValue const* value, ParameterType to,
        ParameterValue* out) const override;
    void getValueAs(ParameterType type, ParameterValue* out) const override;
    void setValueAs(ParameterType type, ParameterValue const* in) override;
    std::string getText() const override;
    void setText(std::string const& text) override;
    int getInt() const override;
    void setInt(int value) override;
    bool getBool() const override;
    void setBool(bool value) override;
    float getFloat() const override;
    void setFloat(float value) override;
    D3DXVECTOR2 getVec2() const override;
    void setVec2(D3DXVECTOR2 const& value) override;
    D3DXVECTOR3 getVec3() const override;
    void setVec3(D3DXVECTOR3 const& value) override;
    D3DXVECTOR4 getVec4() const override;
    void setVec4(D3DXVECTOR4 const& value) override;
    D3DXMATRIX getMatrix() const override;
    void setMatrix(D3DXMATRIX const& value) override;
    D3DXVECTOR4 getColor() const override;
    void setColor(D3DXVECTOR4 const& value) override;
    IParameter* clone() const override;
    ~Parameter() override;

    // The text form of a value record of the given type; "" for an unknown type.
    virtual std::string formatValue(ParameterType type, ParameterValue const* value) const;
    // Parses text into a value record of the given type; an unknown type changes nothing.
    virtual void parseValue(ParameterType type, ParameterValue* value, std::string const& text) const;

private:
    // formatValue into `out`, whose capacity is kept: conversions on the frame path use one buffer.
    void formatValueInto(ParameterType type, ParameterValue const* value, std::string& out) const;
    static std::string& conversionBuffer();

    core::UniqueId m_id;
    ParameterType m_type;
    ParameterValue m_data;
    ParameterTextPairs m_textPairs;
    ParameterOptions m_options;
    int m_editorType = kEditorDefault;
};

// A new parameter with reference count 0; null when memory is exhausted.
TORMAKELIN_FXCORE_API IParameter* createParameter(ParameterType type);

} // namespace tormakelin::fxcore
