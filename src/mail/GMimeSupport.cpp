#include "mail/GMimeSupport.h"

#include <mutex>

namespace nimbo::mail {

void initGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

QByteArray streamBytes(GMimeStream *memoryStream)
{
    GByteArray *bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memoryStream));
    return bytes ? QByteArray(reinterpret_cast<const char *>(bytes->data), qsizetype(bytes->len)) : QByteArray();
}

} // namespace nimbo::mail
