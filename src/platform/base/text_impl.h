#pragma once
namespace vb {
template <class F>
std::size_t forEachLine(std::string_view text, F&& onLine) {
    std::size_t count = 0, start = 0, i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        if (text[i] == '\r') {
            onLine(text.substr(start, i - start));
            ++count;
            i += (i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n) {
        onLine(text.substr(start));
        ++count;
    }
    return count;
}
}  // namespace vb
