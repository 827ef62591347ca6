#include "view/HeightMap.h"

#include "files/PictureFile.h"
#include "model/AppError.h"

#include <QString>

#include <algorithm>
#include <vector>

namespace {

// matplotlib's viridis (van der Walt, Smith and Firing; CC0), its 256 colours rounded to
// 8 bits, as 0xRRGGBB.
constexpr uint32_t kViridis[256] = {
    0x440154, 0x440256, 0x450457, 0x450559, 0x46075A, 0x46085C, 0x460A5D, 0x460B5E,
    0x470D60, 0x470E61, 0x471063, 0x471164, 0x471365, 0x481467, 0x481668, 0x481769,
    0x48186A, 0x481A6C, 0x481B6D, 0x481C6E, 0x481D6F, 0x481F70, 0x482071, 0x482173,
    0x482374, 0x482475, 0x482576, 0x482677, 0x482878, 0x482979, 0x472A7A, 0x472C7A,
    0x472D7B, 0x472E7C, 0x472F7D, 0x46307E, 0x46327E, 0x46337F, 0x463480, 0x453581,
    0x453781, 0x453882, 0x443983, 0x443A83, 0x443B84, 0x433D84, 0x433E85, 0x423F85,
    0x424086, 0x424186, 0x414287, 0x414487, 0x404588, 0x404688, 0x3F4788, 0x3F4889,
    0x3E4989, 0x3E4A89, 0x3E4C8A, 0x3D4D8A, 0x3D4E8A, 0x3C4F8A, 0x3C508B, 0x3B518B,
    0x3B528B, 0x3A538B, 0x3A548C, 0x39558C, 0x39568C, 0x38588C, 0x38598C, 0x375A8C,
    0x375B8D, 0x365C8D, 0x365D8D, 0x355E8D, 0x355F8D, 0x34608D, 0x34618D, 0x33628D,
    0x33638D, 0x32648E, 0x32658E, 0x31668E, 0x31678E, 0x31688E, 0x30698E, 0x306A8E,
    0x2F6B8E, 0x2F6C8E, 0x2E6D8E, 0x2E6E8E, 0x2E6F8E, 0x2D708E, 0x2D718E, 0x2C718E,
    0x2C728E, 0x2C738E, 0x2B748E, 0x2B758E, 0x2A768E, 0x2A778E, 0x2A788E, 0x29798E,
    0x297A8E, 0x297B8E, 0x287C8E, 0x287D8E, 0x277E8E, 0x277F8E, 0x27808E, 0x26818E,
    0x26828E, 0x26828E, 0x25838E, 0x25848E, 0x25858E, 0x24868E, 0x24878E, 0x23888E,
    0x23898E, 0x238A8D, 0x228B8D, 0x228C8D, 0x228D8D, 0x218E8D, 0x218F8D, 0x21908D,
    0x21918C, 0x20928C, 0x20928C, 0x20938C, 0x1F948C, 0x1F958B, 0x1F968B, 0x1F978B,
    0x1F988B, 0x1F998A, 0x1F9A8A, 0x1E9B8A, 0x1E9C89, 0x1E9D89, 0x1F9E89, 0x1F9F88,
    0x1FA088, 0x1FA188, 0x1FA187, 0x1FA287, 0x20A386, 0x20A486, 0x21A585, 0x21A685,
    0x22A785, 0x22A884, 0x23A983, 0x24AA83, 0x25AB82, 0x25AC82, 0x26AD81, 0x27AD81,
    0x28AE80, 0x29AF7F, 0x2AB07F, 0x2CB17E, 0x2DB27D, 0x2EB37C, 0x2FB47C, 0x31B57B,
    0x32B67A, 0x34B679, 0x35B779, 0x37B878, 0x38B977, 0x3ABA76, 0x3BBB75, 0x3DBC74,
    0x3FBC73, 0x40BD72, 0x42BE71, 0x44BF70, 0x46C06F, 0x48C16E, 0x4AC16D, 0x4CC26C,
    0x4EC36B, 0x50C46A, 0x52C569, 0x54C568, 0x56C667, 0x58C765, 0x5AC864, 0x5CC863,
    0x5EC962, 0x60CA60, 0x63CB5F, 0x65CB5E, 0x67CC5C, 0x69CD5B, 0x6CCD5A, 0x6ECE58,
    0x70CF57, 0x73D056, 0x75D054, 0x77D153, 0x7AD151, 0x7CD250, 0x7FD34E, 0x81D34D,
    0x84D44B, 0x86D549, 0x89D548, 0x8BD646, 0x8ED645, 0x90D743, 0x93D741, 0x95D840,
    0x98D83E, 0x9BD93C, 0x9DD93B, 0xA0DA39, 0xA2DA37, 0xA5DB36, 0xA8DB34, 0xAADC32,
    0xADDC30, 0xB0DD2F, 0xB2DD2D, 0xB5DE2B, 0xB8DE29, 0xBADE28, 0xBDDF26, 0xC0DF25,
    0xC2DF23, 0xC5E021, 0xC8E020, 0xCAE11F, 0xCDE11D, 0xD0E11C, 0xD2E21B, 0xD5E21A,
    0xD8E219, 0xDAE319, 0xDDE318, 0xDFE318, 0xE2E418, 0xE5E419, 0xE7E419, 0xEAE51A,
    0xECE51B, 0xEFE51C, 0xF1E51D, 0xF4E61E, 0xF6E620, 0xF8E621, 0xFBE723, 0xFDE725,
};

uint32_t pixelOf(uint32_t rgb)
{
    return 0xFF000000u | rgb;
}

} // namespace

HeightMap heightMap(const int32_t* heights, int32_t rows, int32_t cols)
{
    HeightMap map;
    if (heights == nullptr || rows <= 0 || cols <= 0)
        return map;
    const size_t count = size_t(rows) * size_t(cols);
    const auto [lo, hi] = std::minmax_element(heights, heights + count);
    map.min = *lo;
    map.max = *hi;
    map.image = QImage(cols, rows, QImage::Format_RGB32);
    if (map.image.isNull())
        return map; // no memory for the picture

    // Height h takes colour floor(256 * (h - min) / (max - min)), the top one for h = max:
    // 256 equal steps over the range. The range may be up to 2^32 - 1 layers.
    const int64_t range = int64_t(map.max) - int64_t(map.min);
    auto colourIndex = [&](int32_t h) {
        if (range == 0)
            return 0;
        return static_cast<int>(std::min<int64_t>(255, (int64_t(h) - map.min) * 256 / range));
    };
    // Most lattices span a few hundred layers at most: one colour per height, looked up.
    std::vector<uint32_t> byHeight;
    if (range < (int64_t(1) << 16)) {
        byHeight.resize(size_t(range) + 1);
        for (int64_t d = 0; d <= range; ++d)
            byHeight[size_t(d)] = pixelOf(kViridis[colourIndex(static_cast<int32_t>(map.min + d))]);
    }
    for (int32_t y = 0; y < rows; ++y) {
        const int32_t* row = heights + size_t(y) * size_t(cols);
        uint32_t* out = reinterpret_cast<uint32_t*>(map.image.scanLine(y));
        if (!byHeight.empty()) {
            for (int32_t x = 0; x < cols; ++x)
                out[x] = byHeight[size_t(int64_t(row[x]) - map.min)];
        } else {
            for (int32_t x = 0; x < cols; ++x)
                out[x] = pixelOf(kViridis[colourIndex(row[x])]);
        }
    }
    return map;
}

bool saveHeightMap(const HeightMap& map, const std::string& fileName)
{
    // PNG and BMP, named in any letter case, as the batch tool's --heightmap takes them.
    constexpr PictureFormats formats{.bmp = true, .png = true, .anyCase = true};
    if (!pictureFormat(fileName, formats))
        return false;
    if (map.image.isNull())
        throw PictureFileError(fileName, "the lattice has no cells");
    // The PNG text chunks say what the pixels mean; a BMP has only the pixels.
    QImage tagged = map.image;
    tagged.setText("Tessavo-Min", QString::number(map.min));
    tagged.setText("Tessavo-Max", QString::number(map.max));
    tagged.setText("Description", QStringLiteral("Tessavo height map: one pixel per lattice cell, column heights "
                                                 "from %1 to %2 layers in the viridis colour map")
                                      .arg(map.min)
                                      .arg(map.max));
    return savePicture(tagged, fileName, formats);
}
