// HRESULT, the result code of interface calls and of the platform's COM-style functions: negative
// values are failures. Kept apart so that the platform headers can use it without the
// automation layer.
#pragma once

#include <cstdint>

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = int32_t(0x80004001u);
constexpr HRESULT E_NOINTERFACE = int32_t(0x80004002u);
constexpr HRESULT E_POINTER = int32_t(0x80004003u);
constexpr HRESULT E_FAIL = int32_t(0x80004005u);
constexpr HRESULT E_INVALIDARG = int32_t(0x80070057u);

inline bool Succeeded(HRESULT hr) { return hr >= 0; }
inline bool Failed(HRESULT hr) { return hr < 0; }
