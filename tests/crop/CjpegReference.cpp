#include "CjpegReference.h"

#include <cstdlib>
#include <fstream>

#include "support/JpegFixtures.h"

namespace pictavo::test {

std::vector<std::uint8_t> cjpegReference(const Picture& picture, const Rect& area, int quality,
                                         const std::string& scratch) {
    const std::string ppm = scratch + "/reference.ppm";
    const std::string jpg = scratch + "/reference.jpg";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << area.width() << ' ' << area.height() << "\n255\n";
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                char rgb[3] = {0, 0, 0};
                if (x >= 0 && y >= 0 && x < picture.width() && y < picture.height()) {
                    const std::uint8_t* p = picture.scanLine(y) + x * 3;
                    rgb[0] = static_cast<char>(p[2]);
                    rgb[1] = static_cast<char>(p[1]);
                    rgb[2] = static_cast<char>(p[0]);
                }
                out.write(rgb, 3);
            }
        }
    }
    const std::string command = "cjpeg -quality " + std::to_string(quality) +
                                " -dct float -baseline -outfile '" + jpg + "' '" + ppm + "'";
    if (std::system(command.c_str()) != 0)
        return {};
    return readBytes(jpg);
}

}  // namespace pictavo::test
