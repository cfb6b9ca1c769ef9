#pragma once
// A generated game script of `scenes` scenes and about `bytes` bytes, with
// the commands a real game uses, for measuring loads and reads.

#include <string>

inline std::string makeBigGame(int scenes = 700, size_t bytes = 2 * 1024 * 1024) {
    std::string out = "[Setup]\r\n@firstscene = Scene1\r\n@imagedir = pics\r\n\r\n";
    out += "[Title]\r\n@name = Big Game\r\n@author = Bench\r\n\r\n";
    const size_t perScene = bytes / static_cast<size_t>(scenes);
    for (int i = 1; i <= scenes - 2; ++i) {
        std::string s = "[Scene" + std::to_string(i) + "]\r\n";
        s += "@image = room" + std::to_string(i % 37) + ".bmp\r\n";
        s += "@music = theme" + std::to_string(i % 5) + ".mid // loops\r\n";
        for (int o = 1; o <= 6; ++o) {
            s += "@option" + std::to_string(o) + " = Go to place " + std::to_string(o) + "\r\n";
            s += "@link" + std::to_string(o) + " = Scene" + std::to_string((i * 7 + o) % (scenes - 2) + 1) + "\r\n";
        }
        s += "@description = ";
        while (s.size() + 40 < perScene) s += "The wind moves over the old stones. ";
        s += "\r\n// end of scene\r\n\r\n";
        out += s;
    }
    return out;
}
