#pragma once
// What the MIME reader and writer share on top of GMime: the library
// started once, its objects owned by smart pointers, a memory stream read
// back as bytes.

#include <QByteArray>
#include <memory>

// GLib names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gmime/gmime.h>
#pragma pop_macro("signals")

namespace nimbo::mail {

// g_mime_init, once for the process.
void initGMime();

template <typename T>
struct GMimeDeleter {
    void operator()(T *p) const
    {
        if (p)
            g_object_unref(p);
    }
};
template <>
struct GMimeDeleter<char> {
    void operator()(char *p) const { g_free(p); }
};
template <>
struct GMimeDeleter<GMimeParserOptions> {
    void operator()(GMimeParserOptions *p) const { g_mime_parser_options_free(p); }
};
template <>
struct GMimeDeleter<GMimeFormatOptions> {
    void operator()(GMimeFormatOptions *p) const { g_mime_format_options_free(p); }
};

template <typename T>
using Owned = std::unique_ptr<T, GMimeDeleter<T>>;

// The bytes written so far to a GMime memory stream.
QByteArray streamBytes(GMimeStream *memoryStream);

} // namespace nimbo::mail
