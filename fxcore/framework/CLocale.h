#pragma once

// Number parsing in the "C" locale whatever the process locale is.

namespace tormakelin::fxcore::detail {

double atofC(char const* text);
int atoiC(char const* text);

} // namespace tormakelin::fxcore::detail
