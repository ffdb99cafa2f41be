#pragma once

// Everything that crosses the library border is marked; the rest stays hidden.
#define TORMAKELIN_CORE_API __attribute__((visibility("default")))
