#pragma once
// The D3DX library: math, effects, shaders, texture files, font and line.
#include "d3d9.h"
#include "d3dx9math.h"
#include "d3dx9shader.h"
#include "d3dx9effect.h"
#include "d3dx9tex.h"
#include "d3dx9core.h"
