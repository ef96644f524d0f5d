// The iconv interface over the code page functions of Windows, whose C
// library has no iconv. Code pages are named as iconv names them: "UTF-8",
// "UTF-16LE", "UTF-16BE", "CP1250", "WINDOWS-1250", "IBM852", "ISO-8859-2",
// "US-ASCII", "KOI8-R", or by number ("1250"). Conversions are stateless;
// code pages whose characters take more than two bytes (other than UTF-8) or
// that keep a shift state are unknown here.
#pragma once

#include <cstddef>

struct kestram_iconv;
using iconv_t = kestram_iconv*;

// A converter from `from` to `to`; (iconv_t)-1 with errno EINVAL when either
// code page is unknown.
iconv_t iconv_open(const char* to, const char* from);

// Converts whole characters from *in to *out, advancing both. Returns 0 when
// all of the input is converted; otherwise -1 with *in at the character that
// stopped it and errno E2BIG (no room for it in *out), EILSEQ (it is invalid
// in the source code page or has no equivalent in the target one) or EINVAL
// (the input ends inside it). A null *in (or in) only resets, which a
// stateless conversion never needs.
std::size_t iconv(iconv_t converter, char** in, std::size_t* in_left, char** out, std::size_t* out_left);

int iconv_close(iconv_t converter);
