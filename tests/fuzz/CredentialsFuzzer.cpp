// Credentials parsing on arbitrary text, against a reading of the definition written another way.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "provider/Credentials.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using fuzzcheck::Check;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    });
    return lower;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The value of the first line whose part before its first '=' is `name` in any case. Every line end (CR LF,
// CR alone, LF alone) becomes one LF first, then the text is split at LF.
std::string ReferenceValue(std::string_view text, std::string_view name) {
    const std::string unified = ReplaceAll(ReplaceAll(std::string(text), "\r\n", "\n"), "\r", "\n");
    std::size_t start = 0;
    while (start <= unified.size()) {
        const std::size_t stop = std::min(unified.find('\n', start), unified.size());
        const std::string line = unified.substr(start, stop - start);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && Lower(line.substr(0, equals)) == Lower(name)) {
            return line.substr(equals + 1);
        }
        start = stop + 1;
    }
    return {};
}

// A copy in a heap block of exactly its size, so that the address sanitizer sees any read past its end.
struct ExactCopy {
    explicit ExactCopy(const std::string& bytes) : data(new char[bytes.size()]), size(bytes.size()) {
        std::ranges::copy(bytes, data.get());
    }
    std::string_view View() const { return {data.get(), size}; }

    std::unique_ptr<char[]> data;
    std::size_t size;
};

void CheckValue(const std::string& value, std::string_view text, std::string_view name) {
    Check(value.find_first_of("\r\n") == std::string::npos, "a value holds no line end");
    Check(value == ReferenceValue(text, name), "the value is the one of the first line defining the name");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const ExactCopy name(input.ConsumeRandomLengthString(24));
    const ExactCopy text(input.ConsumeRemainingBytesAsString());

    CheckValue(provider::CredentialValue(text.View(), name.View()), text.View(), name.View());

    const provider::Credentials credentials = provider::ParseCredentials(text.View());
    CheckValue(credentials.UserLogin, text.View(), "UserLogin");
    CheckValue(credentials.Password, text.View(), "Password");
    return 0;
}
