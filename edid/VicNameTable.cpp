#include "edid/VicNameTable.h"

namespace varnok {

// 4K formats first (the 4:2:0-capable 60 Hz and 50 Hz codes of each aspect ratio ahead of the
// slower ones), then 1080p, 1080i, 720p, 576p, 576i and 480p.
const std::array<VicName, kVicNameCount> VicNameTable = {{
    {102, "2160p@60Hz"}, {97, "2160p@60Hz"}, {101, "2160p@50Hz"}, {96, "2160p@50Hz"},
    {100, "2160p@30Hz"}, {95, "2160p@30Hz"}, {99, "2160p@25Hz"},  {94, "2160p@25Hz"},
    {98, "2160p@24Hz"},  {93, "2160p@24Hz"}, {16, "1080p@60Hz"},  {31, "1080p@50Hz"},
    {34, "1080p@30Hz"},  {33, "1080p@25Hz"}, {32, "1080p@24Hz"},  {5, "1080i@60Hz"},
    {20, "1080i@50Hz"},  {4, "720p@60Hz"},   {19, "720p@50Hz"},   {18, "576p@50Hz"},
    {17, "576p@50Hz"},   {22, "576i@50Hz"},  {21, "576i@50Hz"},   {3, "480p@60Hz"},
    {2, "480p@60Hz"},    {1, "480p@60Hz"},   {0, "Reserved"},
}};

}  // namespace varnok
