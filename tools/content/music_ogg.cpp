// Ogg Vorbis encoding of the music through libvorbisenc.
#include <vorbis/vorbisenc.h>

#include <cstring>

#include "content/sounds.h"

static void appendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

std::vector<uint8_t> encodeOggVorbis(const SampleBuffer& stereo, int rate, float quality, int serial) {
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, rate, quality) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ARTIST", "Korvask");
    vorbis_comment_add_tag(&comment, "TITLE", "Night drive");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    // The audio starts on a fresh page, as decoders expect.
    while (ogg_stream_flush(&stream, &page) != 0) appendPage(out, page);

    const size_t frames = stereo.size() / 2, chunk = 4096;
    size_t done = 0;
    bool finished = false;
    while (!finished) {
        const size_t n = std::min(chunk, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&dsp, 0);  // end of stream
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i) {
                buffer[0][i] = stereo[2 * (done + i)];
                buffer[1][i] = stereo[2 * (done + i) + 1];
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    appendPage(out, page);
                    if (ogg_page_eos(&page)) finished = true;
                }
            }
        }
        if (n == 0) finished = true;
    }
    while (ogg_stream_flush(&stream, &page) != 0) appendPage(out, page);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}
