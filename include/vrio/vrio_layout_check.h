/* Compile-time checks of the record layouts fixed by the connection interface. Included by the
 * library, the tests and any player that wants the guarantee; works in C11 and C++. */
#ifndef VRIO_LAYOUT_CHECK_H
#define VRIO_LAYOUT_CHECK_H

#include <stddef.h>
#include "vrio/zeq_net_api.h"

#ifdef __cplusplus
#define VRIO_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define VRIO_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

#define VRIO_AT(T, f, o) VRIO_STATIC_ASSERT(offsetof(T, f) == (o), #T "." #f " at " #o)

VRIO_STATIC_ASSERT(sizeof(vrio_net_config) == 200, "config record is 200 bytes");
VRIO_AT(vrio_net_config, LogCallback, 0);
VRIO_AT(vrio_net_config, LogCbParam, 8);
VRIO_AT(vrio_net_config, LogToConsole, 16);
VRIO_AT(vrio_net_config, LogToFile, 20);
VRIO_AT(vrio_net_config, LogToServer, 24);
VRIO_AT(vrio_net_config, LogLevel, 28);
VRIO_AT(vrio_net_config, MessageCallback, 32);
VRIO_AT(vrio_net_config, MessageCbParam, 40);
VRIO_AT(vrio_net_config, AacdCreateCallback, 48);
VRIO_AT(vrio_net_config, AacdDecodeCallback, 56);
VRIO_AT(vrio_net_config, AacdCloseCallback, 64);
VRIO_AT(vrio_net_config, HelpSupportIDPrefix, 72);
VRIO_AT(vrio_net_config, HighInterleaveDelay, 144);
VRIO_AT(vrio_net_config, reserved0, 148);
VRIO_AT(vrio_net_config, DynamicJitterBuffer, 152);
VRIO_AT(vrio_net_config, reserved1, 156);
VRIO_AT(vrio_net_config, BufferingDuration, 160);
VRIO_AT(vrio_net_config, AudioFormatCodec, 168);
VRIO_AT(vrio_net_config, AudioFormatProfile, 172);
VRIO_AT(vrio_net_config, AudioSampleRate, 176);
VRIO_AT(vrio_net_config, AudioClockRate, 180);
VRIO_AT(vrio_net_config, AudioChannels, 184);
VRIO_AT(vrio_net_config, ReservedFlag, 188);
VRIO_AT(vrio_net_config, VideoCodec, 192);
VRIO_AT(vrio_net_config, PaddingEnable, 196);

VRIO_STATIC_ASSERT(sizeof(vrio_frame) == 216, "frame record is 216 bytes");
VRIO_AT(vrio_frame, data, 0);
VRIO_AT(vrio_frame, size, 8);
VRIO_AT(vrio_frame, type, 12);
VRIO_AT(vrio_frame, pts, 16);
VRIO_AT(vrio_frame, dts, 24);
VRIO_AT(vrio_frame, flags, 32);
VRIO_AT(vrio_frame, duration, 36);
VRIO_AT(vrio_frame, release, 40);
VRIO_AT(vrio_frame, uid, 48);
VRIO_AT(vrio_frame, extra, 56);
VRIO_AT(vrio_frame, reserved, 72);
VRIO_AT(vrio_frame, ext_pts, 208);

VRIO_STATIC_ASSERT(sizeof(vrio_worker_demux_info) == 10280, "stream information is 10280 bytes");
VRIO_AT(vrio_worker_demux_info, audio_present, 0);
VRIO_AT(vrio_worker_demux_info, audio_channels, 4);
VRIO_AT(vrio_worker_demux_info, audio_sample_rate, 8);
VRIO_AT(vrio_worker_demux_info, video_present, 12);
VRIO_AT(vrio_worker_demux_info, video_codec, 16);
VRIO_AT(vrio_worker_demux_info, width, 20);
VRIO_AT(vrio_worker_demux_info, height, 24);
VRIO_AT(vrio_worker_demux_info, profile, 28);
VRIO_AT(vrio_worker_demux_info, level, 32);
VRIO_AT(vrio_worker_demux_info, sequence_header, 36);
VRIO_AT(vrio_worker_demux_info, sequence_header_len, 10276);

VRIO_STATIC_ASSERT(sizeof(vrio_stream_info2) == 10284, "uid + stream information");
VRIO_AT(vrio_stream_info2, info, 4);
VRIO_AT(vrio_open_params, url, 8);
VRIO_STATIC_ASSERT(sizeof(vrio_funcs) == 56, "seven 8-byte slots");

#undef VRIO_AT
#endif
