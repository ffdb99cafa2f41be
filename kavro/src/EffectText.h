#pragma once
// The library's embedded effect text: the shared header followed by the material effect body.

#include <cstddef>
#include <string>

namespace tormakelin::kavro {

// The whole text, CR LF line ends.
const std::string& embeddedEffectText();
// The length of the shared header at the start of the text, through its closing "#endif".
std::size_t effectIncludeLength();
// The text after the shared header.
std::string materialEffectBody();

}  // namespace tormakelin::kavro
