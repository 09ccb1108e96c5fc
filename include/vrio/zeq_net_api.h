/* libVrioZerADE connection interface: what a media player compiles against.
 * Every function has C linkage, returns negative POSIX error numbers on failure and never throws. */
#ifndef VRIO_ZEQ_NET_API_H
#define VRIO_ZEQ_NET_API_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#include "vrio/version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of the connection interface. */
#define ZEQ_NET_EFAIL (-1)       /* generic failure, not found */
#define ZEQ_NET_EREAD (-2)       /* read: bad arguments */
#define ZEQ_NET_EAGAIN (-11)     /* data not yet available */
#define ZEQ_NET_ENODEV (-19)     /* unsupported command or key */
#define ZEQ_NET_EINVAL (-22)     /* invalid argument, unknown handle */
#define ZEQ_NET_ENOTCONN (-107)  /* transport not connected */

typedef int (*vrio_log_fn)(void* user, int level, const char* fmt, va_list args);
typedef int (*vrio_message_fn)(void* user, int code, const char* text, long long length);
typedef void (*vrio_generic_fn)(void);

/* Connection configuration record: 200 bytes, natural alignment. Field names are the option keys of the
 * version-2 option setter. */
typedef struct vrio_net_config {
    vrio_log_fn LogCallback;            /*   0 */
    void* LogCbParam;                   /*   8 */
    int32_t LogToConsole;               /*  16 */
    int32_t LogToFile;                  /*  20 */
    int32_t LogToServer;                /*  24 */
    int32_t LogLevel;                   /*  28  0..100 */
    vrio_message_fn MessageCallback;    /*  32 */
    void* MessageCbParam;               /*  40 */
    vrio_generic_fn AacdCreateCallback; /*  48 */
    vrio_generic_fn AacdDecodeCallback; /*  56 */
    vrio_generic_fn AacdCloseCallback;  /*  64 */
    char HelpSupportIDPrefix[72];       /*  72  NUL-terminated */
    int32_t HighInterleaveDelay;        /* 144 */
    int32_t reserved0;                  /* 148 */
    int32_t DynamicJitterBuffer;        /* 152 */
    int32_t reserved1;                  /* 156 */
    int64_t BufferingDuration;          /* 160  ms */
    int32_t AudioFormatCodec;           /* 168  1 AAC, 2 Opus, 3 G.722 */
    int32_t AudioFormatProfile;         /* 172  AAC: 1 LC, 4 HE, 28 HE v2; else 0 */
    int32_t AudioSampleRate;            /* 176  Hz */
    int32_t AudioClockRate;             /* 180  Hz */
    int32_t AudioChannels;              /* 184 */
    int32_t ReservedFlag;               /* 188 */
    int32_t VideoCodec;                 /* 192  1 H.264, 2 HEVC */
    int32_t PaddingEnable;              /* 196 */
} vrio_net_config;

/* Frame record exchanged with the player: 216 bytes. */
typedef struct vrio_frame vrio_frame;
struct vrio_frame {
    uint8_t* data;                    /*   0 */
    uint32_t size;                    /*   8 */
    int32_t type;                     /*  12  1 audio, 0 video */
    int64_t pts;                      /*  16  ms */
    int64_t dts;                      /*  24  ms */
    uint32_t flags;                   /*  32  bit 0: key frame */
    uint32_t duration;                /*  36  audio ms */
    void (*release)(vrio_frame* f);   /*  40  frees payload and record */
    uint32_t uid;                     /*  48 */
    uint32_t pad0;                    /*  52 */
    uint8_t extra[16];                /*  56 */
    uint8_t reserved[136];            /*  72 */
    int64_t ext_pts;                  /* 208 */
};

#define VRIO_SEQUENCE_HEADER_MAX 10240

/* Stream information record: 10280 bytes. */
typedef struct vrio_worker_demux_info {
    int32_t audio_present;                               /*     0 */
    int32_t audio_channels;                              /*     4 */
    int32_t audio_sample_rate;                           /*     8 */
    int32_t video_present;                               /*    12 */
    int32_t video_codec;                                 /*    16  1 H.264, 2 HEVC */
    int32_t width;                                       /*    20 */
    int32_t height;                                      /*    24 */
    int32_t profile;                                     /*    28 */
    int32_t level;                                       /*    32 */
    uint8_t sequence_header[VRIO_SEQUENCE_HEADER_MAX];   /*    36  Annex-B VPS/SPS/PPS */
    int32_t sequence_header_len;                         /* 10276 */
} vrio_worker_demux_info;

/* "get_stream_info2": a user id followed by the stream information. */
typedef struct vrio_stream_info2 {
    uint32_t uid;
    vrio_worker_demux_info info;
} vrio_stream_info2;

/* Argument of the open functions. */
typedef struct vrio_open_params {
    uint64_t unused;
    const char* url;
} vrio_open_params;

/* "subscribe" ioctl record. */
typedef struct vrio_subscribe_arg {
    const char* url;
    uint8_t audio;
    uint8_t video;
} vrio_subscribe_arg;

/* "get_uid_value" ioctl record. */
typedef struct vrio_uid_query {
    const char* url;
    uint32_t uid;
} vrio_uid_query;

/* "set_player_delay" / "set_player_delay2" record. */
typedef struct vrio_player_delay {
    int64_t a;
    int64_t b;
    int64_t c;
    int64_t d;
} vrio_player_delay;

typedef struct zeq_net_conn zeq_net_conn; /* opaque connection handle */

vrio_net_config zeq_net_get_default_cfg(void);
zeq_net_conn* zeq_net_create_connection(const vrio_net_config* cfg);
int zeq_net_destroy_connection(zeq_net_conn* handle);
void zeq_net_debug_init(const void* arg, ...);

int zeq_net_subscribe_open(zeq_net_conn* handle, const vrio_open_params* params); /* 1 on success */
int zeq_net_publish_open(zeq_net_conn* handle, const vrio_open_params* params);   /* 0 on success */
int zeq_net_subscribe_update(zeq_net_conn* handle, int stream, void* arg);
int zeq_net_subscribe_close(zeq_net_conn* handle, int stream);
int zeq_net_publish_update(zeq_net_conn* handle, int stream, void* arg);
int zeq_net_publish_close(zeq_net_conn* handle, int stream);

int zeq_net_set_input_video_bitrate(zeq_net_conn* handle, int stream, int bps);
int zeq_net_set_buffer_duration(zeq_net_conn* handle, int stream, long long ms);
int zeq_net_set_infocb_invoke_interval(zeq_net_conn* handle, int stream, long long ms);
int zeq_net_set_aes_key(zeq_net_conn* handle, int stream, const char* text);
int zeq_net_set_param(zeq_net_conn* handle, int stream, int type, void* value);
int zeq_net_get_param(zeq_net_conn* handle, int stream, int param, long long* out);
int zeq_net_get_video_cache_size(zeq_net_conn* handle, int stream, long long* out);
int zeq_net_get_uid_with_url(zeq_net_conn* handle, const char* url, unsigned* out_uid);
int zeq_net_subscribe(zeq_net_conn* handle, const char* url, int audio, int video);
int zeq_net_unsubscribe(zeq_net_conn* handle, const char* url);
int zeq_net_reload(zeq_net_conn* handle);
int zeq_net_ioctl(zeq_net_conn* handle, unsigned stream, const char* cmd, void* arg);

int zeq_net_read(zeq_net_conn* handle, int stream, vrio_frame** out);
int zeq_net_write(zeq_net_conn* handle, int stream, vrio_frame** in);
int zeq_net_get_stream_info(zeq_net_conn* handle, unsigned stream, unsigned uid, vrio_worker_demux_info* info);
int zeq_net_get_pub_info(zeq_net_conn* handle, int stream, int out[2]);

int zeq_net_set_aes_handle(const char* name, const char* value);
int zeq_net_cstring_trans_pointer(const char* text, vrio_generic_fn* out);

vrio_frame* alloc_frame(const void* src, int size, int type, int uid);

/* Version-2 function table: seven 8-byte slots. */
typedef struct vrio_funcs {
    int64_t version; /* 2 */
    int (*set_option)(const char* key, const char* value);
    void* (*open)(const char* url, const char* mode); /* mode "r..." pull, "w..." push */
    void (*close)(void* obj);
    int (*ioctl)(void* obj, const char* cmd, void* arg);
    int (*read)(vrio_frame** out, void* obj);
    int (*write)(vrio_frame** in, void* obj);
} vrio_funcs;

const vrio_funcs* get_vrio_funcs(int version);

#ifdef __cplusplus
}
#endif

#endif
