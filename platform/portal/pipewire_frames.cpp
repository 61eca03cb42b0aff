// The monitors' screen-cast streams through libpipewire: raw video in one of
// the 32-bit RGB formats, in memory the compositor maps for us (no DMA-BUF).
#include "platform/portal/pipewire_frames.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace clickwisp {

struct PipewireFrames::Stream {
    PipewireFrames* owner = nullptr;
    PortalStream place;
    pw_stream* stream = nullptr;
    spa_hook listener {};
    spa_video_info_raw format {};
    bool formatKnown = false;
    pw_buffer* held = nullptr; // the newest frame, kept from the compositor until the next one
    std::chrono::steady_clock::time_point arrived;
};

namespace {

void initPipewire()
{
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

bool redFirst(uint32_t format)
{
    return format == SPA_VIDEO_FORMAT_RGBx || format == SPA_VIDEO_FORMAT_RGBA;
}

void onParamChanged(void* data, uint32_t id, const spa_pod* param)
{
    auto* stream = static_cast<PipewireFrames::Stream*>(data);
    if (id != SPA_PARAM_Format || !param)
        return;
    spa_video_info_raw format {};
    if (spa_format_video_raw_parse(param, &format) < 0)
        return;
    stream->format = format;
    stream->formatKnown = true;
    // Buffers the compositor fills in memory we can map.
    uint8_t storage[256];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof storage);
    const spa_pod* buffers = static_cast<const spa_pod*>(
        spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers,
            SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
    pw_stream_update_params(stream->stream, &buffers, 1);
}

void onProcess(void* data)
{
    auto* stream = static_cast<PipewireFrames::Stream*>(data);
    pw_buffer* newest = nullptr;
    while (pw_buffer* buffer = pw_stream_dequeue_buffer(stream->stream)) {
        if (newest)
            pw_stream_queue_buffer(stream->stream, newest);
        newest = buffer;
    }
    if (!newest)
        return;
    const spa_data& plane = newest->buffer->datas[0];
    // A buffer that only moves the pointer carries no picture.
    if (!plane.data || !plane.chunk || plane.chunk->size == 0 || (plane.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED)) {
        pw_stream_queue_buffer(stream->stream, newest);
        return;
    }
    if (stream->held)
        pw_stream_queue_buffer(stream->stream, stream->held);
    stream->held = newest;
    stream->arrived = std::chrono::steady_clock::now();
    pw_thread_loop_signal(stream->owner->loop(), false);
}

const pw_stream_events kStreamEvents = [] {
    pw_stream_events events {};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.param_changed = onParamChanged;
    events.process = onProcess;
    return events;
}();

// The formats we read: 4 bytes a pixel, blue or red first.
const spa_pod* formatParameter(spa_pod_builder& builder, const PortalStream& place)
{
    const spa_rectangle size = SPA_RECTANGLE(uint32_t(place.width), uint32_t(place.height));
    const spa_rectangle smallest = SPA_RECTANGLE(1, 1);
    const spa_rectangle largest = SPA_RECTANGLE(16384, 16384);
    const spa_fraction rate = SPA_FRACTION(30, 1);
    const spa_fraction slowest = SPA_FRACTION(0, 1);
    const spa_fraction fastest = SPA_FRACTION(1000, 1);
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_Format,
        SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
            SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&size, &smallest, &largest), SPA_FORMAT_VIDEO_framerate,
        SPA_POD_CHOICE_RANGE_Fraction(&rate, &slowest, &fastest)));
}

} // namespace

pw_thread_loop* PipewireFrames::loop() const
{
    return m_loop;
}

Result<std::unique_ptr<PipewireFrames>> PipewireFrames::open(int fd, const std::vector<PortalStream>& streams)
{
    initPipewire();
    std::unique_ptr<PipewireFrames> frames(new PipewireFrames);
    frames->m_loop = pw_thread_loop_new("clickwisp-capture", nullptr);
    if (!frames->m_loop) {
        close(fd);
        return fail("screen capture: PipeWire cannot start");
    }
    frames->m_context = pw_context_new(pw_thread_loop_get_loop(frames->m_loop), nullptr, 0);
    if (!frames->m_context || pw_thread_loop_start(frames->m_loop) < 0) {
        close(fd);
        return fail("screen capture: PipeWire cannot start");
    }
    pw_thread_loop_lock(frames->m_loop);
    frames->m_core = pw_context_connect_fd(frames->m_context, fd, nullptr, 0);
    std::string problem = frames->m_core ? "" : std::string("cannot connect to PipeWire: ") + std::strerror(errno);
    for (size_t i = 0; problem.empty() && i < streams.size(); ++i) {
        auto state = std::make_unique<Stream>();
        state->owner = frames.get();
        state->place = streams[i];
        state->stream = pw_stream_new(frames->m_core, "clickwisp capture",
            pw_properties_new(
                PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (!state->stream) {
            problem = "cannot make a PipeWire stream";
            break;
        }
        pw_stream_add_listener(state->stream, &state->listener, &kStreamEvents, state.get());
        uint8_t storage[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof storage);
        const spa_pod* format = formatParameter(builder, state->place);
        if (pw_stream_connect(state->stream, PW_DIRECTION_INPUT, state->place.node,
                pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS), &format, 1)
            < 0)
            problem = "cannot connect to the monitor's stream " + std::to_string(state->place.node);
        frames->m_streams.push_back(std::move(state));
    }
    pw_thread_loop_unlock(frames->m_loop);
    if (!problem.empty())
        return fail("screen capture: " + problem);
    return frames;
}

PipewireFrames::~PipewireFrames()
{
    if (!m_loop)
        return;
    pw_thread_loop_lock(m_loop);
    for (auto& stream : m_streams) {
        if (stream->held)
            pw_stream_queue_buffer(stream->stream, stream->held);
        spa_hook_remove(&stream->listener);
        pw_stream_destroy(stream->stream);
    }
    if (m_core)
        pw_core_disconnect(m_core);
    pw_thread_loop_unlock(m_loop);
    pw_thread_loop_stop(m_loop);
    if (m_context)
        pw_context_destroy(m_context);
    pw_thread_loop_destroy(m_loop);
}

bool PipewireFrames::waitForFrames(std::chrono::steady_clock::time_point since, std::chrono::milliseconds timeout)
{
    pw_thread_loop_lock(m_loop);
    timespec deadline {};
    pw_thread_loop_get_time(m_loop, &deadline, std::chrono::nanoseconds(timeout).count());
    auto fresh
        = [&] { return std::ranges::all_of(m_streams, [&](const auto& s) { return s->held && s->arrived > since; }); };
    while (!fresh()) {
        if (pw_thread_loop_timed_wait_full(m_loop, &deadline) != 0)
            break; // timed out
    }
    const bool any = std::ranges::all_of(m_streams, [](const auto& s) { return s->held != nullptr; });
    pw_thread_loop_unlock(m_loop);
    return any;
}

bool PipewireFrames::copy(int32_t left, int32_t top, const PixelView& target)
{
    for (int32_t y = 0; y < target.height; ++y)
        std::memset(target.row(y), 0, size_t(target.width) * 3);
    pw_thread_loop_lock(m_loop);
    bool complete = true;
    for (const auto& stream : m_streams) {
        if (!stream->held || !stream->formatKnown) {
            complete = false;
            continue;
        }
        const PortalStream& place = stream->place;
        const spa_data& plane = stream->held->buffer->datas[0];
        const auto* base = static_cast<const uint8_t*>(plane.data) + plane.chunk->offset;
        const int32_t stride = plane.chunk->stride;
        const auto pixelsWide = int64_t(stream->format.size.width);
        const auto pixelsHigh = int64_t(stream->format.size.height);
        // A frame smaller than its format says is not read past its end.
        if (pixelsWide <= 0 || pixelsHigh <= 0 || stride < pixelsWide * 4
            || int64_t(plane.chunk->offset) + (pixelsHigh - 1) * stride + pixelsWide * 4 > int64_t(plane.maxsize)) {
            complete = false;
            continue;
        }
        const bool swap = redFirst(stream->format.format);
        // The part of the rectangle this monitor shows, in layout units.
        const int32_t fromX = std::max(left, place.x),
                      toX = std::min<int64_t>(int64_t(left) + target.width, int64_t(place.x) + place.width);
        const int32_t fromY = std::max(top, place.y),
                      toY = std::min<int64_t>(int64_t(top) + target.height, int64_t(place.y) + place.height);
        for (int32_t y = fromY; y < toY; ++y) {
            const int64_t sourceY = int64_t(y - place.y) * pixelsHigh / place.height;
            const uint8_t* sourceRow = base + sourceY * stride;
            uint8_t* out = target.row(y - top) + size_t(fromX - left) * 3;
            for (int32_t x = fromX; x < toX; ++x, out += 3) {
                const uint8_t* pixel = sourceRow + int64_t(x - place.x) * pixelsWide / place.width * 4;
                out[0] = swap ? pixel[2] : pixel[0];
                out[1] = pixel[1];
                out[2] = swap ? pixel[0] : pixel[2];
            }
        }
    }
    pw_thread_loop_unlock(m_loop);
    return complete;
}

} // namespace clickwisp
