#pragma once

#define TORMAKELIN_KAVRO_API __attribute__((visibility("default")))
