// Any bytes as a game script: load them (plain and enciphered), then read
// every command of every scene, plus lookups of names taken from the input.

#include <cstdint>
#include <string>

#include "Cipher.h"
#include "HeadlessHost.h"
#include "SceneTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel;
    const std::string text(reinterpret_cast<const char*>(data), size);
    HeadlessHost host;
    host.settings().ShowErrors = true;
    SceneTable table(host);
    for (int round = 0; round < 2; ++round) {
        table.loadText(round == 0 ? text : DecipherScript(text));
        for (int s = 1; s <= table.lastLoadCount(); ++s) {
            const std::string& t = table.text(s);
            for (size_t at = t.find('@'); at != std::string::npos; at = t.find('@', at + 1)) {
                const size_t end = t.find_first_of(" =\r\n", at);
                (void)table.GetDirective(table.name(s), t.substr(at, end - at));
            }
            (void)table.GetDirective("", "@x");
        }
        (void)table.GetDirective(text.substr(0, 16), "@" + text.substr(0, 8));
    }
    return 0;
}
