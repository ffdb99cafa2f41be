#include <tormakelin/core/Stream.h>

namespace tormakelin::core {

bool readString(IStream* stream, std::string& line)
{
    if (!stream || stream->eof()) {
        return false;
    }
    line.clear();
    char terminator = 0;
    for (;;) {
        char c = 0;
        if (stream->read(&c, 1) != 1) {
            return true;
        }
        if (c == 0 || c == '\n' || c == '\r') {
            terminator = c;
            break;
        }
        line += c;
        if (stream->eof()) {
            return true;
        }
    }
    // A CR LF or LF CR pair ends one line, not two.
    const unsigned int position = stream->getPosition();
    char next = 0;
    if (stream->read(&next, 1) == 1) {
        const bool pair = (terminator == '\r' && next == '\n') || (terminator == '\n' && next == '\r');
        if (!pair) {
            stream->setPosition(int(position), StreamBegin);
        }
    }
    return true;
}

void writeString(IStream* stream, const std::string& text)
{
    if (!stream) {
        return;
    }
    if (!text.empty()) {
        stream->write(text.data(), unsigned(text.size()));
    }
    stream->write("\r\n", 2);
}

} // namespace tormakelin::core
