// Reading the drawing stream. The same walker serves both passes: the first only checks the records
// (buffers are stepped over by their byte counts) and notes where each begins, the second builds the
// layers, on two threads for a large stream, where every buffer is checked row by row as it is read.
// Everything read comes from a file: each count is checked against the bytes left before anything is
// allocated for it.
#include "files/drawing_stream.h"

#include "files/stream_tags.h"

#include <array>
#include <atomic>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <thread>

namespace ts {

namespace {

// An image record may not ask for more pixel memory than this, nor for more than a picture of one byte
// per pixel stored in its bytes would need (three times them, with room for row padding).
constexpr int64_t kMaxImageBytes = int64_t{1} << 30;
constexpr int64_t ImageRoomFor(int64_t count) {
    return 4 * count + 0x10000;
}
// Property blocks are a few hundred words; this is far above any.
constexpr int32_t kMaxPropertyWords = 1 << 16;
constexpr int32_t kBlockHeaderInts = 6;
// A drawing layer lies within this many pixels of the drawing's origin: far beyond any drawing, and far
// enough from the limits of 32-bit arithmetic on positions.
constexpr int32_t kMaxLayerOffset = 1 << 24;

class RecordWalker {
public:
    RecordWalker(ByteReader& in, int32_t version, bool build)
        : m_in(in), m_version(version), m_build(build) {}

    // One layer record after its start tag; into is null in the checking pass.
    bool Layer(LoadedLayer* into);

private:
    bool Int(int32_t& v) { return m_in.GetI32(v); }
    bool Expect(int32_t marker) {
        int32_t v = 0;
        return Int(v) && v == marker;
    }

    template <class Buffer> bool ReadBuffer(std::unique_ptr<Buffer>& into, bool tight = false);
    bool SkipBuffer();
    template <class Table> bool ReadTable(Table& table);
    template <class Table> bool ReadOwnedTable(std::unique_ptr<Table>& table);
    // A new part while building; nothing is made while only checking. False when memory runs out.
    template <class Part> bool NewPart(std::unique_ptr<Part>& part);
    // The tagged records of a part up to its end marker: `record` reads the record of a tag it knows
    // and answers nullopt for one it does not; retired buffers are skipped, any other tag refuses.
    template <class Record> bool Tags(Record record);
    bool Image(LayerObject* layer);
    bool Extra(LayerObject* layer);
    bool Color(LayerObject* layer);
    bool Shadow(LayerObject* layer);
    bool Frame(LayerObject* layer);
    bool LineArt(LayerObject* layer);

    ByteReader& m_in;
    int32_t m_version;
    bool m_build;
};

// A buffer section's block, then its end marker. The checking pass reads the six header values and
// steps over the row bytes; the building pass reads and checks every row.
template <class Buffer> bool RecordWalker::ReadBuffer(std::unique_ptr<Buffer>& into, bool tight) {
    if (!m_build) {
        return SkipBuffer();
    }
    std::unique_ptr<Buffer> buffer;
    try {
        buffer = std::make_unique<Buffer>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!(tight ? buffer->ReadBlockTight(m_in) : buffer->ReadBlock(m_in)) || !Expect(tags::kBufferEnd)) {
        return false;
    }
    into = std::move(buffer);
    return true;
}

bool RecordWalker::SkipBuffer() {
    int32_t header[kBlockHeaderInts];
    for (int32_t& v : header) {
        if (!Int(v)) {
            return false;
        }
    }
    const auto total = static_cast<uint32_t>(header[5]);
    if (!RLBuffer::SizeIsValid(header[0], header[1], header[4]) || total > m_in.Remaining()) {
        return false;
    }
    m_in.Take(total);
    return Expect(tags::kBufferEnd);
}

// A list section into the table (a scratch table in the checking pass), then its end marker.
template <class Table> bool RecordWalker::ReadTable(Table& table) {
    return table.Read(m_in, m_version) && Expect(tags::kListEnd);
}

template <class Table> bool RecordWalker::ReadOwnedTable(std::unique_ptr<Table>& table) {
    if (m_build && !table) {
        try {
            table = std::make_unique<Table>();
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    Table scratch;
    return ReadTable(m_build ? *table : scratch);
}

// The image record: a 24-bit image of the stored size receives the stored bytes, which may not be
// more than the image holds (rows of width x 3 bytes padded to a multiple of 4).
bool RecordWalker::Image(LayerObject* layer) {
    int32_t width = 0;
    int32_t height = 0;
    int32_t settings[2] = {0, 0};
    int32_t bytesPerPixel = 0;
    int32_t count = 0;
    if (!Int(width) || !Int(height) || !Int(settings[0]) || !Int(settings[1]) || !Int(bytesPerPixel) ||
        !Int(count)) {
        return false;
    }
    if (width < 1 || height < 1) {
        return false;
    }
    const int64_t stride = Image24::StrideFor(width);
    if (height > kMaxImageBytes / stride) {
        return false;
    }
    const int64_t imageBytes = stride * height;
    if (count < 0 || count > imageBytes || imageBytes > ImageRoomFor(count) ||
        static_cast<size_t>(count) > m_in.Remaining()) {
        return false;
    }
    const uint8_t* bytes = m_in.Take(static_cast<size_t>(count));
    if (m_build) {
        std::unique_ptr<BMap> image;
        try {
            image = std::make_unique<BMap>();
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (!image->pixels.Create(width, height)) {
            return false;
        }
        Image24& p = image->pixels;
        std::memcpy(p.Pixels().data(), bytes, static_cast<size_t>(count));
        // The stored padding is not kept: padding bytes stay zero.
        const auto rowBytes = static_cast<size_t>(width) * 3;
        for (int32_t y = 0; y < height; ++y) {
            std::memset(p.Row(y) + rowBytes, 0, static_cast<size_t>(p.Stride()) - rowBytes);
        }
        layer->image = std::move(image);
    }
    return Expect(tags::kBufferEnd);
}

bool RecordWalker::Extra(LayerObject* layer) {
    int32_t length = 0;
    if (!Int(length) || length < 0 || length > tags::kMaxExtraData ||
        static_cast<size_t>(length) > m_in.Remaining()) {
        return false;
    }
    const uint8_t* bytes = m_in.Take(static_cast<size_t>(length));
    if (m_build) {
        try {
            layer->extraData.assign(bytes, bytes + length);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return Expect(tags::kBufferEnd);
}

template <class Part> bool RecordWalker::NewPart(std::unique_ptr<Part>& part) {
    if (!m_build) {
        return true;
    }
    try {
        part = std::make_unique<Part>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

template <class Record> bool RecordWalker::Tags(Record record) {
    std::unique_ptr<RLBuffer> retired;
    for (;;) {
        int32_t tag = 0;
        if (!Int(tag)) {
            return false;
        }
        if (tag == tags::kPartEnd) {
            return true;
        }
        const std::optional<bool> known = record(tag);
        if (!(known ? *known : tags::IsRetiredBuffer(tag) && ReadBuffer(retired))) {
            return false;
        }
    }
}

bool RecordWalker::Color(LayerObject* layer) {
    std::unique_ptr<ObjectColor> color;
    std::unique_ptr<RLBuffer> skipped;
    const bool ok =
        NewPart(color) && Tags([&](int32_t tag) -> std::optional<bool> {
            if (tag == tags::kColorAppearances) {
                CColorAppearanceList scratch;
                return ReadTable(m_build ? color->appearances : scratch);
            }
            if (tag >= tags::kColorAppearanceIndex && tag <= tags::kColorAmount) {
                std::unique_ptr<RLBuffer>* channels[] = {&skipped, &skipped, &skipped, &skipped, &skipped};
                if (m_build) {
                    channels[0] = &color->appearance;
                    channels[1] = &color->blue;
                    channels[2] = &color->green;
                    channels[3] = &color->red;
                    channels[4] = &color->amount;
                }
                return ReadBuffer(*channels[tag - tags::kColorAppearanceIndex]);
            }
            return std::nullopt;
        });
    if (ok && m_build) {
        layer->color = std::move(color);
    }
    return ok;
}

bool RecordWalker::Shadow(LayerObject* layer) {
    std::unique_ptr<ObjectShadow> shadow;
    std::unique_ptr<RLBuffer> skipped;
    const bool ok = NewPart(shadow) && Tags([&](int32_t tag) -> std::optional<bool> {
                        if (tag == tags::kShadowAppearances) {
                            ShadowAppearanceList scratch;
                            return ReadTable(m_build ? shadow->appearances : scratch);
                        }
                        if (tag == tags::kShadowAppearanceIndex) {
                            return ReadBuffer(m_build ? shadow->appearanceIndex : skipped);
                        }
                        if (tag == tags::kShadowLighting) {
                            return ReadBuffer(m_build ? shadow->lighting : skipped);
                        }
                        return std::nullopt;
                    });
    if (ok && m_build) {
        layer->shadow = std::move(shadow);
    }
    return ok;
}

// The four corner points (from version 104 on), then the drawing buffer. A frame with every corner at
// the origin has none.
bool RecordWalker::Frame(LayerObject* layer) {
    std::unique_ptr<Wireframe> frame;
    if (!NewPart(frame)) {
        return false;
    }
    if (m_version >= tags::kFramePointsVersion) {
        std::array<Wireframe::Corner, 4> corners;
        bool any = false;
        for (Wireframe::Corner& c : corners) {
            if (!Int(c.x) || !Int(c.y)) {
                return false;
            }
            any = any || c.x != 0 || c.y != 0;
        }
        if (m_build) {
            frame->corners = corners;
            frame->hasCorners = any;
        }
    }
    std::unique_ptr<SuperBitBuffer> skippedMask;
    const bool ok = Tags([&](int32_t tag) -> std::optional<bool> {
        if (tag == tags::kLineBuffer) {
            return ReadBuffer(m_build ? frame->drawingBuffer : skippedMask);
        }
        return std::nullopt;
    });
    if (ok && m_build) {
        layer->frame = std::move(frame);
    }
    return ok;
}

bool RecordWalker::LineArt(LayerObject* layer) {
    std::unique_ptr<ObjectLineArt> lines;
    std::unique_ptr<SuperBitBuffer> skippedMask;
    std::unique_ptr<RLBuffer> skipped;
    std::unique_ptr<LineAppearanceList> skippedAppearances;
    std::unique_ptr<LineColorList> skippedColors;
    const bool ok = NewPart(lines) && Tags([&](int32_t tag) -> std::optional<bool> {
                        switch (tag) {
                        case tags::kLineAppearances:
                            return ReadOwnedTable(m_build ? lines->appearanceList : skippedAppearances);
                        case tags::kLineColors:
                            return ReadOwnedTable(m_build ? lines->colorList : skippedColors);
                        case tags::kLineBuffer:
                            return ReadBuffer(m_build ? lines->lineBuffer : skippedMask);
                        case tags::kLineAppearanceIndex:
                            return ReadBuffer(m_build ? lines->lineAppearanceIndex : skipped);
                        case tags::kLineColorIndex:
                            return ReadBuffer(m_build ? lines->colorAppearanceIndex : skipped);
                        case tags::kLineRefreshWidth:
                            return ReadBuffer(m_build ? lines->refreshWidth : skipped);
                        case tags::kLineRefreshAppearance:
                            return ReadBuffer(m_build ? lines->refreshAppearance : skipped);
                        default:
                            return std::nullopt;
                        }
                    });
    if (ok && m_build) {
        layer->lineArt = std::move(lines);
    }
    return ok;
}

bool RecordWalker::Layer(LoadedLayer* into) {
    int32_t header[4];
    for (int32_t& v : header) {
        if (!Int(v)) {
            return false;
        }
    }
    LayerObject* layer = nullptr;
    if (into) {
        try {
            into->layer = std::make_unique<LayerObject>();
        } catch (const std::bad_alloc&) {
            return false;
        }
        layer = into->layer.get();
        into->storedWidth = header[0];
        into->storedHeight = header[1];
        layer->offsetX = header[2];
        layer->offsetY = header[3];
    }
    if (m_version >= tags::kLayerHeaderVersion) {
        int32_t id = 0;
        int32_t values[2] = {0, 0};
        int32_t n = 0;
        if (!Int(id) || !Int(values[0]) || !Int(values[1]) || !Int(n) || n < 0 || n > kMaxPropertyWords ||
            static_cast<size_t>(n) * 4 > m_in.Remaining()) {
            return false;
        }
        if (layer) {
            into->hasHeader = true;
            layer->id = static_cast<uint32_t>(id);
            layer->headerValues = {values[0], values[1]};
            try {
                layer->properties.resize(static_cast<size_t>(n));
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        for (int32_t i = 0; i < n; ++i) {
            uint32_t word = 0;
            m_in.GetU32(word);
            if (layer) {
                layer->properties[static_cast<size_t>(i)] = word;
            }
        }
    }
    std::unique_ptr<RLBuffer> skipped;
    for (;;) {
        int32_t tag = 0;
        if (!Int(tag)) {
            return false;
        }
        bool ok = false;
        switch (tag) {
        case tags::kLayerEnd:
            return true;
        case tags::kAuxBuffer:
            ok = ReadBuffer(layer ? layer->auxBuffer : skipped, true);
            break;
        case tags::kImage:
            ok = Image(layer);
            break;
        case tags::kColor:
            ok = Color(layer);
            break;
        case tags::kShadow:
        case tags::kShadowOld:
            ok = Shadow(layer);
            break;
        case tags::kFrame:
            ok = Frame(layer);
            break;
        case tags::kLineArt:
            ok = LineArt(layer);
            break;
        case tags::kExtraData:
            ok = Extra(layer);
            break;
        default:
            return false;
        }
        if (!ok) {
            return false;
        }
    }
}

struct Size {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;
    bool operator==(const Size&) const = default;
};

// Every raster part of a layer is as large as the others (the compositor and the painting tools read
// them row by row side by side), with the pixel width of its kind.
class SizeCheck {
public:
    bool Add(const RLBuffer* buffer, int32_t bytesPerPixel) {
        if (!buffer) {
            return true;
        }
        if (buffer->BytesPerPixel() != bytesPerPixel) {
            return false;
        }
        const Size size{buffer->Width(), buffer->Height(), 0};
        if (!m_size) {
            m_size = size;
        }
        return *m_size == size;
    }

private:
    std::optional<Size> m_size;
};

bool PartsAgree(const LayerObject& layer) {
    SizeCheck check;
    if (const ObjectColor* c = layer.color.get()) {
        const int present = (c->appearance != nullptr) + (c->blue != nullptr) + (c->green != nullptr) +
                            (c->red != nullptr) + (c->amount != nullptr);
        if (present != 0 && present != ObjectColor::kChannels) {
            return false;
        }
        for (int i = 0; i < ObjectColor::kChannels; ++i) {
            if (!check.Add(c->Channel(i), 1)) {
                return false;
            }
        }
    }
    if (const ObjectShadow* s = layer.shadow.get()) {
        if ((s->appearanceIndex == nullptr) != (s->lighting == nullptr) ||
            !check.Add(s->appearanceIndex.get(), 1) || !check.Add(s->lighting.get(), 1)) {
            return false;
        }
    }
    if (const ObjectLineArt* l = layer.lineArt.get()) {
        if (!check.Add(l->lineBuffer.get(), 2) || !check.Add(l->lineAppearanceIndex.get(), 1) ||
            !check.Add(l->colorAppearanceIndex.get(), 1) || !check.Add(l->refreshWidth.get(), 1) ||
            !check.Add(l->refreshAppearance.get(), 1)) {
            return false;
        }
    }
    if (const Wireframe* f = layer.frame.get()) {
        if (!check.Add(f->drawingBuffer.get(), 2)) {
            return false;
        }
    }
    return true;
}

bool DrawingSizeIsSane(int32_t width, int32_t height) {
    return width >= 1 && height >= 1 && width <= kMaxDrawingSide && height <= kMaxDrawingSide &&
           Image24::StrideFor(width) * height < Image24::kMaxBytes;
}

// The checking pass over the stream from its start. Returns false for anything that is not a valid
// drawing; noLayers tells a stream that ends properly but holds no layer at all. Each layer record's
// position (after its start tag) goes into records.
bool Walk(ByteReader& in, int32_t version, std::vector<size_t>& records, int32_t& drawingWidth,
          int32_t& drawingHeight, bool& noLayers) {
    RecordWalker walker(in, version, false);
    int32_t layers = 0;
    for (;;) {
        int32_t tag = 0;
        if (!in.GetI32(tag)) {
            return false;
        }
        if (tag == tags::kLayersEnd) {
            break;
        }
        if ((tag != tags::kLayerStart && tag != tags::kLayerStartOld) ||
            layers == ImageStackManager::kMaxLayers) {
            return false;
        }
        const size_t recordStart = in.Position();
        try {
            records.push_back(recordStart);
        } catch (const std::exception&) {
            return false;
        }
        if (!walker.Layer(nullptr)) {
            return false;
        }
        // The offsets are the third and fourth values of the record: the paper layer's hold the drawing's
        // size, a drawing layer's its position, which lies near the drawing.
        ByteReader header(in);
        header.Seek(recordStart + 8);
        int32_t offsets[2] = {0, 0};
        header.GetI32(offsets[0]);
        header.GetI32(offsets[1]);
        if (layers == ImageStackManager::kPaperIndex) {
            drawingWidth = offsets[0];
            drawingHeight = offsets[1];
        } else if (layers >= ImageStackManager::kFirstDrawingLayer &&
                   (offsets[0] < -kMaxLayerOffset || offsets[0] > kMaxLayerOffset ||
                    offsets[1] < -kMaxLayerOffset || offsets[1] > kMaxLayerOffset)) {
            return false;
        }
        ++layers;
    }
    int32_t trailer = 0;
    if (!in.GetI32(trailer) || trailer != tags::kTrailerEnd) {
        return false;
    }
    noLayers = layers == 0;
    return layers > ImageStackManager::kPaperIndex && DrawingSizeIsSane(drawingWidth, drawingHeight);
}

// Streams this large are built on two threads, when the processor has two cores.
constexpr size_t kParallelBuildBytes = size_t{1} << 20;

// The building pass: every checked record made into its layer, each read from its own position, so
// that the layers can be built side by side. False when a record does not build or its parts disagree.
bool BuildLayers(const ByteReader& in, int32_t version, const std::vector<size_t>& records,
                 std::vector<LoadedLayer>& layers) {
    try {
        layers.resize(records.size());
    } catch (const std::exception&) {
        return false;
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    // Each thread takes the next record not yet taken until none is left or one failed.
    const auto build = [&] {
        for (size_t i = next++; i < records.size() && !failed; i = next++) {
            ByteReader at(in);
            at.Seek(records[i]);
            RecordWalker walker(at, version, true);
            try {
                if (!walker.Layer(&layers[i]) || !PartsAgree(*layers[i].layer)) {
                    failed = true;
                }
            } catch (const std::exception&) {
                failed = true; // memory ran out where the walker does not look for it
            }
        }
    };
    static const bool twoCores = std::thread::hardware_concurrency() > 1;
    std::optional<std::thread> second;
    if (twoCores && in.Size() >= kParallelBuildBytes && records.size() > 1) {
        try {
            second.emplace(build);
        } catch (const std::exception&) {
            // Without a second thread this one builds every layer.
        }
    }
    build();
    if (second) {
        second->join();
    }
    return !failed;
}

} // namespace

std::vector<std::string> StreamTooNewMessages(int32_t version) {
    return {"This version of Tintsmith cannot open this file.",
            version >= tags::kFirstUpgradeVersion ? "A Tintsmith upgrade is required for this file."
                                                  : "Download the latest Tintsmith update."};
}

StreamResult ReadDrawingStream(ByteReader& in, LoadedDrawing& out) {
    out.layers.clear();
    int32_t kind = 0;
    int32_t repeat = 0;
    int32_t version = 0;
    if (!in.GetI32(kind) || !in.GetI32(repeat) || kind != repeat || !in.GetI32(version)) {
        return StreamResult::kNotValid;
    }
    out.version = version;
    if (version >= tags::kFirstNewerVersion) {
        return StreamResult::kTooNew;
    }
    if (version > 100) {
        int32_t word = 0;
        if (!in.GetI32(word) || word < tags::kMinHeaderWord) {
            return StreamResult::kNotValid;
        }
    }
    // A stream of kind 200 would end its layers with 1003, which is never accepted below.
    if (kind != tags::kStreamKind) {
        return StreamResult::kNotValid;
    }
    int32_t width = 0;
    int32_t height = 0;
    bool noLayers = false;
    std::vector<size_t> records;
    if (!Walk(in, version, records, width, height, noLayers)) {
        return noLayers ? StreamResult::kNoLayers : StreamResult::kNotValid;
    }
    if (!BuildLayers(in, version, records, out.layers)) {
        out.layers.clear();
        return StreamResult::kNotValid;
    }
    return StreamResult::kLoaded;
}

} // namespace ts
