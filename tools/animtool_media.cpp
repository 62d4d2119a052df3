// animtool's bridge to FFmpeg's libraries: frames of any video, animation or picture sequence
// FFmpeg reads (and animated WebP, through libwebp), as 8-bit RGB, for `encode`; and APNG, WebP
// and video files written from RGB frames for `export`. FFmpeg's own log is silenced: every
// failure becomes one line of animtool's.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}
#include <webp/demux.h>

#include "anim/anim_file.h"
#include "tools/animtool_media.h"

namespace {

std::string av_reason(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

void quiet() { av_log_set_level(AV_LOG_QUIET); }

std::string lower_extension(const std::string& path) {
  size_t slash = path.find_last_of("/\\"), dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string e = path.substr(dot);
  for (char& c : e) c = char(std::tolower((unsigned char)c));
  return e;
}

// The YUV matrix and range a decoded frame says it has, for swscale (which assumes BT.601 and
// the limited range otherwise).
void set_colour_details(SwsContext* sws, const AVFrame* f) {
  int space = SWS_CS_DEFAULT;
  if (f->colorspace == AVCOL_SPC_BT709) space = SWS_CS_ITU709;
  if (f->colorspace == AVCOL_SPC_BT2020_NCL || f->colorspace == AVCOL_SPC_BT2020_CL)
    space = SWS_CS_BT2020;
  int full = f->color_range == AVCOL_RANGE_JPEG || f->format == AV_PIX_FMT_YUVJ420P ||
             f->format == AV_PIX_FMT_YUVJ422P || f->format == AV_PIX_FMT_YUVJ444P;
  int *inv, *tab, src_range, dst_range, brightness, contrast, saturation;
  if (sws_getColorspaceDetails(sws, &inv, &src_range, &tab, &dst_range, &brightness, &contrast,
                               &saturation) < 0)
    return;  // an RGB source: nothing to tell
  sws_setColorspaceDetails(sws, sws_getCoefficients(space), full, tab, dst_range, brightness,
                           contrast, saturation);
}

struct Input {
  AVFormatContext* format = nullptr;
  AVCodecContext* decoder = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  ~Input() {
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    av_packet_free(&packet);
    av_frame_free(&frame);
  }
};

// Which decoded frames `encode` keeps, and their conversion to RGB of the chosen size.
struct Selection {
  const MediaSelect& select;
  long* kept;
  const std::function<bool(const unsigned char*, int, int)>& frame;
  SwsContext* sws = nullptr;
  std::vector<unsigned char> rgb;
  long seen = 0, kept_here = 0;
  double first = -1.0;
  bool stop = false;
  std::string error;
  Selection(const MediaSelect& s, long* k,
            const std::function<bool(const unsigned char*, int, int)>& f)
      : select(s), kept(k), frame(f) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { sws_freeContext(sws); }

  // Frame at t seconds from the input's start: kept or not; may end the run (`stop`).
  bool wants(double t) {
    if (t < select.start - 1e-6) return false;
    if (select.frames >= 0 && *kept >= select.frames) {
      stop = true;
      return false;
    }
    if (first < 0) first = t;
    bool keep =
        select.fps > 0 ? (t - first) * select.fps >= kept_here - 1e-3 : seen % select.every == 0;
    seen++;
    return keep;
  }

  // Converts a picture of pixel format `format` (colour details from `colours`, if any) and
  // hands it on.
  void take(const uint8_t* const data[4], const int lines[4], int width, int height,
            AVPixelFormat format, const AVFrame* colours) {
    int w = select.width ? select.width : width, h = select.height ? select.height : height;
    if (w > ANIM_MAX_SIZE || h > ANIM_MAX_SIZE) {
      error = "frames of " + std::to_string(w) + "x" + std::to_string(h) +
              " are larger than an animation holds (2048x2048); give --size WxH";
      stop = true;
      return;
    }
    bool shrink = w < width && h < height;
    int flags = (w == width && h == height ? SWS_POINT
                 : shrink                  ? SWS_AREA
                                           : SWS_BICUBIC) |
                SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;
    sws = sws_getCachedContext(sws, width, height, format, w, h, AV_PIX_FMT_RGB24, flags, nullptr,
                               nullptr, nullptr);
    if (!sws) {
      error = "cannot convert its pictures to RGB";
      stop = true;
      return;
    }
    if (colours) set_colour_details(sws, colours);
    rgb.resize(size_t(w) * h * 3);
    uint8_t* planes[4] = {rgb.data(), nullptr, nullptr, nullptr};
    int strides[4] = {w * 3, 0, 0, 0};
    sws_scale(sws, data, lines, 0, height, planes, strides);
    kept_here++;
    ++*kept;
    if (!frame(rgb.data(), w, h)) stop = true;
  }
};

// Animated (and still) WebP through libwebp, since FFmpeg's decoder takes still pictures only.
std::string read_webp(const std::string& path, Selection* sel) {
  FILE* f = anim_fopen_read(path.c_str());
  if (!f) return std::strerror(errno);
  std::string bytes;
  char chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return "read error";
  WebPData data = {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return "libwebp is not the version built against";
  options.color_mode = MODE_RGBA;
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  if (!decoder) return "not a WebP picture that libwebp can decode";
  WebPAnimInfo info;
  WebPAnimDecoderGetInfo(decoder, &info);
  uint8_t* rgba = nullptr;
  int end_ms = 0, start_ms = 0;
  std::string error;
  while (!sel->stop && WebPAnimDecoderHasMoreFrames(decoder)) {
    if (!WebPAnimDecoderGetNext(decoder, &rgba, &end_ms)) {
      error = "damaged WebP frame";
      break;
    }
    if (sel->wants(start_ms / 1000.0)) {
      const uint8_t* planes[4] = {rgba, nullptr, nullptr, nullptr};
      int lines[4] = {int(info.canvas_width) * 4, 0, 0, 0};
      sel->take(planes, lines, int(info.canvas_width), int(info.canvas_height), AV_PIX_FMT_RGBA,
                nullptr);
    }
    start_ms = end_ms;
  }
  WebPAnimDecoderDelete(decoder);
  return error.empty() ? sel->error : error;
}

bool is_webp(const std::string& path) {
  FILE* f = anim_fopen_read(path.c_str());
  if (!f) return false;
  unsigned char head[12] = {};
  size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return n == 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
}

}  // namespace

bool media_available() { return true; }

std::string media_read_frames(
    const std::string& path, const MediaSelect& select, long* kept,
    const std::function<bool(const unsigned char* rgb, int width, int height)>& frame) {
  quiet();
  Selection sel(select, kept, frame);
  if (is_webp(path)) return read_webp(path, &sel);
  Input in;
  if (!in.packet || !in.frame) return "out of memory";
  int r = avformat_open_input(&in.format, path.c_str(), nullptr, nullptr);
  if (r < 0) return av_reason(r);
  if ((r = avformat_find_stream_info(in.format, nullptr)) < 0) return av_reason(r);
  const AVCodec* codec = nullptr;
  int index = av_find_best_stream(in.format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (index < 0 || !codec) return "holds no picture or video that FFmpeg can decode";
  AVStream* stream = in.format->streams[index];
  in.decoder = avcodec_alloc_context3(codec);
  if (!in.decoder) return "out of memory";
  avcodec_parameters_to_context(in.decoder, stream->codecpar);
  AVDictionary* options = nullptr;
  // GIF pixels never painted come out transparent: as black, the colour an animation starts from.
  av_dict_set(&options, "trans_color", "0", 0);
  r = avcodec_open2(in.decoder, codec, &options);
  av_dict_free(&options);
  if (r < 0) return av_reason(r);

  const double base = av_q2d(stream->time_base);
  const double origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time * base : 0.0;
  if (select.start > 0) {
    int64_t target = int64_t((origin + select.start) / base);
    // A stream that cannot seek is decoded from its start; the early frames are dropped below.
    if (av_seek_frame(in.format, index, target, AVSEEK_FLAG_BACKWARD) >= 0)
      avcodec_flush_buffers(in.decoder);
  }
  AVRational rate = av_guess_frame_rate(in.format, stream, nullptr);
  const double step = rate.num > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
  long decoded = 0;
  auto drain = [&]() {
    while (!sel.stop) {
      int got = avcodec_receive_frame(in.decoder, in.frame);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      if (got < 0) {
        sel.error = av_reason(got);
        sel.stop = true;
        return;
      }
      AVFrame* f = in.frame;
      int64_t ts = f->best_effort_timestamp;
      double t = ts != AV_NOPTS_VALUE ? ts * base - origin : decoded * step;
      decoded++;
      if (sel.wants(t))
        sel.take(f->data, f->linesize, f->width, f->height, AVPixelFormat(f->format), f);
      av_frame_unref(in.frame);
    }
  };
  while (!sel.stop) {
    r = av_read_frame(in.format, in.packet);
    if (r < 0) break;
    if (in.packet->stream_index == index) {
      // A damaged packet is skipped as FFmpeg's own tools do; the frames around it still count.
      avcodec_send_packet(in.decoder, in.packet);
      drain();
    }
    av_packet_unref(in.packet);
  }
  if (!sel.stop && r != AVERROR_EOF) return av_reason(r);
  if (!sel.stop) {
    avcodec_send_packet(in.decoder, nullptr);
    drain();
  }
  return sel.error;
}

// ---- writing ----------------------------------------------------------------------------------

namespace {

// One kind of output: its muxer, encoder and pixel format.
struct OutputKind {
  const char* extension;
  const char* muxer;
  const char* encoder;
  AVPixelFormat pixels;
  int default_crf;  // -1: not a lossy video
};

const OutputKind kinds[] = {
    {".apng", "apng", "apng", AV_PIX_FMT_RGB24, -1},
    {".png", "apng", "apng", AV_PIX_FMT_RGB24, -1},
    {".webp", "webp", "libwebp_anim", AV_PIX_FMT_RGB32, -1},
    {".mp4", "mp4", "libx264", AV_PIX_FMT_YUV420P, 20},
    {".mkv", "matroska", "libx264", AV_PIX_FMT_YUV420P, 20},
    {".webm", "webm", "libvpx-vp9", AV_PIX_FMT_YUV420P, 31},
};

const OutputKind* kind_of(const std::string& path) {
  std::string e = lower_extension(path);
  for (const OutputKind& k : kinds)
    if (e == k.extension) return &k;
  return nullptr;
}

}  // namespace

struct MediaWriter {
  AVFormatContext* format = nullptr;
  AVCodecContext* encoder = nullptr;
  AVStream* stream = nullptr;
  SwsContext* scale = nullptr;    // RGB picture to the output size (null: no scaling)
  SwsContext* convert = nullptr;  // the padded RGB picture to the encoder's pixels
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  int width = 0, height = 0, out_width = 0, out_height = 0;
  std::vector<unsigned char> sized, padded;  // scaled RGB; RGB at the encoder's (even) size
  int64_t next_pts = 0;
  bool opened_file = false, header = false;
};

bool media_writer_knows(const std::string& path) { return kind_of(path) != nullptr; }

namespace {

// Sends a frame (null: the end) and writes every packet the encoder has ready.
std::string encode(MediaWriter* m, AVFrame* frame) {
  int r = avcodec_send_frame(m->encoder, frame);
  if (r < 0) return av_reason(r);
  for (;;) {
    r = avcodec_receive_packet(m->encoder, m->packet);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return "";
    if (r < 0) return av_reason(r);
    if (m->packet->duration == 0) m->packet->duration = 1;
    av_packet_rescale_ts(m->packet, m->encoder->time_base, m->stream->time_base);
    m->packet->stream_index = m->stream->index;
    r = av_interleaved_write_frame(m->format, m->packet);
    if (r < 0) return av_reason(r);
  }
}

void free_writer(MediaWriter* m) {
  if (m->opened_file) avio_closep(&m->format->pb);
  sws_freeContext(m->scale);
  sws_freeContext(m->convert);
  avcodec_free_context(&m->encoder);
  avformat_free_context(m->format);
  av_frame_free(&m->frame);
  av_packet_free(&m->packet);
  delete m;
}

}  // namespace

MediaWriter* media_writer_open(const std::string& path, const std::string& named, int width,
                               int height, int out_width, int out_height, double fps, int crf,
                               std::string* error) {
  quiet();
  const OutputKind* kind = kind_of(named);
  if (!kind) {
    *error = "unknown kind of file";
    return nullptr;
  }
  const AVCodec* codec = avcodec_find_encoder_by_name(kind->encoder);
  const AVOutputFormat* muxer = av_guess_format(kind->muxer, nullptr, nullptr);
  if (!codec || !muxer) {
    *error = std::string("this FFmpeg has no ") + (codec ? kind->muxer : kind->encoder);
    return nullptr;
  }
  MediaWriter* m = new MediaWriter;
  m->width = width, m->height = height, m->out_width = out_width, m->out_height = out_height;
  auto give_up = [&](const std::string& why) -> MediaWriter* {
    *error = why;
    free_writer(m);
    return nullptr;
  };
  // 4:2:0 pixels come in 2x2 squares: an odd side gets one black row or column more.
  bool halved = kind->pixels == AV_PIX_FMT_YUV420P;
  int ew = halved ? (out_width + 1) & ~1 : out_width,
      eh = halved ? (out_height + 1) & ~1 : out_height;
  int r = avformat_alloc_output_context2(&m->format, muxer, nullptr, path.c_str());
  if (r < 0) return give_up(av_reason(r));
  m->encoder = avcodec_alloc_context3(codec);
  m->frame = av_frame_alloc();
  m->packet = av_packet_alloc();
  if (!m->encoder || !m->frame || !m->packet) return give_up("out of memory");
  AVRational rate = av_d2q(fps, 100000);
  m->encoder->width = ew;
  m->encoder->height = eh;
  m->encoder->pix_fmt = kind->pixels;
  m->encoder->time_base = av_inv_q(rate);
  m->encoder->framerate = rate;
  m->encoder->sample_aspect_ratio = AVRational{1, 1};
  if (halved) {
    // The RGB to YUV conversion below uses BT.601 in the limited range; say so in the file.
    m->encoder->colorspace = AVCOL_SPC_SMPTE170M;
    m->encoder->color_range = AVCOL_RANGE_MPEG;
    m->encoder->color_primaries = AVCOL_PRI_BT709;
    m->encoder->color_trc = AVCOL_TRC_BT709;
  }
  if (m->format->oformat->flags & AVFMT_GLOBALHEADER)
    m->encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* options = nullptr;
  if (kind->default_crf >= 0) {
    int quality = crf >= 0 ? crf : kind->default_crf;
    if (std::strcmp(kind->encoder, "libx264") == 0 && quality > 51) {
      av_dict_free(&options);
      return give_up("--crf for H.264 goes from 0 to 51");
    }
    av_dict_set_int(&options, "crf", quality, 0);
  }
  if (std::strcmp(kind->encoder, "libvpx-vp9") == 0) {
    m->encoder->bit_rate = 0;  // quality alone decides
    av_dict_set(&options, "deadline", "good", 0);
    av_dict_set(&options, "cpu-used", "4", 0);
    av_dict_set(&options, "row-mt", "1", 0);
  }
  if (std::strcmp(kind->encoder, "libwebp_anim") == 0) av_dict_set(&options, "lossless", "1", 0);
  r = avcodec_open2(m->encoder, codec, &options);
  av_dict_free(&options);
  if (r < 0) return give_up(av_reason(r));
  m->stream = avformat_new_stream(m->format, nullptr);
  if (!m->stream) return give_up("out of memory");
  m->stream->time_base = m->encoder->time_base;
  m->stream->avg_frame_rate = rate;
  avcodec_parameters_from_context(m->stream->codecpar, m->encoder);
  if ((r = avio_open(&m->format->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
    return give_up(av_reason(r));
  m->opened_file = true;
  AVDictionary* mux = nullptr;
  av_dict_set(&mux, "plays", "0", 0);  // animated PNG: loop for ever
  av_dict_set(&mux, "loop", "0", 0);   // WebP: the same
  r = avformat_write_header(m->format, &mux);
  av_dict_free(&mux);
  if (r < 0) return give_up(av_reason(r));
  m->header = true;

  m->frame->format = kind->pixels;
  m->frame->width = ew;
  m->frame->height = eh;
  if ((r = av_frame_get_buffer(m->frame, 0)) < 0) return give_up(av_reason(r));
  // Exact kinds scale to the nearest pixel, which keeps the palette's colours.
  if (out_width != width || out_height != height) {
    m->scale = sws_getContext(
        width, height, AV_PIX_FMT_RGB24, out_width, out_height, AV_PIX_FMT_RGB24,
        (halved ? SWS_BICUBIC : SWS_POINT) | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    m->sized.resize(size_t(out_width) * out_height * 3);
  }
  m->padded.assign(size_t(ew) * eh * 3, 0);
  m->convert =
      sws_getContext(ew, eh, AV_PIX_FMT_RGB24, ew, eh, kind->pixels,
                     SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
  if ((out_width != width || out_height != height) && !m->scale) return give_up("cannot scale");
  if (!m->convert) return give_up("cannot convert RGB pictures for it");
  return m;
}

std::string media_writer_frame(MediaWriter* m, const unsigned char* rgb) {
  const unsigned char* picture = rgb;
  if (m->scale) {
    const uint8_t* src[4] = {rgb, nullptr, nullptr, nullptr};
    int src_stride[4] = {m->width * 3, 0, 0, 0};
    uint8_t* dst[4] = {m->sized.data(), nullptr, nullptr, nullptr};
    int dst_stride[4] = {m->out_width * 3, 0, 0, 0};
    sws_scale(m->scale, src, src_stride, 0, m->height, dst, dst_stride);
    picture = m->sized.data();
  }
  const int ew = m->encoder->width, eh = m->encoder->height;
  for (int y = 0; y < m->out_height; y++)
    std::memcpy(&m->padded[size_t(y) * ew * 3], picture + size_t(y) * m->out_width * 3,
                size_t(m->out_width) * 3);
  int r = av_frame_make_writable(m->frame);
  if (r < 0) return av_reason(r);
  const uint8_t* src[4] = {m->padded.data(), nullptr, nullptr, nullptr};
  int src_stride[4] = {ew * 3, 0, 0, 0};
  sws_scale(m->convert, src, src_stride, 0, eh, m->frame->data, m->frame->linesize);
  m->frame->pts = m->next_pts++;
  return encode(m, m->frame);
}

std::string media_writer_close(MediaWriter* m, bool finish) {
  std::string error;
  if (finish) {
    error = encode(m, nullptr);
    if (error.empty() && m->header) {
      int r = av_write_trailer(m->format);
      if (r < 0) error = av_reason(r);
    }
  }
  if (m->opened_file) {
    int r = avio_closep(&m->format->pb);
    m->opened_file = false;
    if (error.empty() && r < 0) error = av_reason(r);
  }
  free_writer(m);
  return error;
}
