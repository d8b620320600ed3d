#include "win/common/owners.h"

#include "win/common/text.h"

namespace tessaly::win {

Bstr Bstr::FromUtf8(std::string_view text) {
    return Bstr(Widen(text));
}

std::string Bstr::Utf8() const {
    return Narrow(View());
}

Variant Variant::Int(int32_t value) {
    Variant v;
    V_VT(&v.v_) = VT_I4;
    V_I4(&v.v_) = value;
    return v;
}

Variant Variant::Bool(bool value) {
    Variant v;
    V_VT(&v.v_) = VT_BOOL;
    V_BOOL(&v.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::Double(double value) {
    Variant v;
    V_VT(&v.v_) = VT_R8;
    V_R8(&v.v_) = value;
    return v;
}

Variant Variant::Text(std::string_view utf8) {
    Variant v;
    V_VT(&v.v_) = VT_BSTR;
    V_BSTR(&v.v_) = Bstr::FromUtf8(utf8).Detach();
    return v;
}

Variant Variant::Object(IDispatch* object) {
    Variant v;
    V_VT(&v.v_) = VT_DISPATCH;
    V_DISPATCH(&v.v_) = object;
    if (object) object->AddRef();
    return v;
}

Variant Variant::Missing() {
    Variant v;
    V_VT(&v.v_) = VT_ERROR;
    V_ERROR(&v.v_) = DISP_E_PARAMNOTFOUND;
    return v;
}

Variant Variant::CopyOf(const VARIANT& source) {
    Variant v;
    VariantCopy(&v.v_, const_cast<VARIANT*>(&source));
    return v;
}

}  // namespace tessaly::win
