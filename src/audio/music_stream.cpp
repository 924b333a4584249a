// Music: Ogg Vorbis decoded into a small queue of OpenAL buffers refilled once
// per frame, and whole-file WAV or Ogg sounds shared through bufferRegistry.
#include <vorbis/vorbisfile.h>

#include <cctype>
#include <cstring>
#include <memory>

#include "audio/audio.h"
#include "audio/audio_local.h"
#include "platform/platform.h"

// The decoder reads the music file through these; the file stays ours, so
// the close callback leaves it open for close() to shut.
static size_t readCallback(void* buffer, size_t size, size_t count, void* dataSource) {
    FILE* file = static_cast<FILE*>(dataSource);
    if (!file || size == 0) return 0;
    return std::fread(buffer, size, count, file);
}

static int seekCallback(void* dataSource, ogg_int64_t offset, int whence) {
    FILE* file = static_cast<FILE*>(dataSource);
    if (!file) return -1;
    std::clearerr(file);
    int origin;
    switch (whence) {
        case 0:
            origin = SEEK_SET;
            break;
        case 1:
            origin = SEEK_CUR;
            break;
        case 2:
            origin = SEEK_END;
            break;
        default:
            return -1;
    }
    if (fseeko(file, static_cast<off_t>(offset), origin) != 0 || std::ferror(file)) return -1;
    return 0;
}

static int closeCallback(void*) {
    return 0;
}

static long tellCallback(void* dataSource) {
    FILE* file = static_cast<FILE*>(dataSource);
    return file ? static_cast<long>(ftello(file)) : -1;
}

static const ov_callbacks kFileCallbacks = {readCallback, seekCallback, closeCallback, tellCallback};

static uint32_t findWholeFileBuffer(const char* name) {
    for (const auto& entry : audio.bufferRegistry) {
        if (!entry.second.streamed && entry.second.fileName == name && alIsBuffer(entry.first))
            return entry.first;
    }
    return 0;
}

static void registerBuffer(uint32_t buffer, const char* name, int rate, int format, bool streamed) {
    audio.bufferRegistry[buffer] = RegisteredBuffer{buffer, name, rate, format, streamed};
}

MusicStream::MusicStream()
    : velocity{0, 0, 0},
      position{0, 0, 0},
      sourceCopy(0),
      loop(false),
      source(0),
      decoder(nullptr),
      comment(nullptr),
      info(nullptr),
      file(nullptr),
      streamed(false),
      gain(0.0f),
      streamBuffers{},
      streamBufferCount(0),
      endQueued(false),
      playRequested(false),
      queueStale(false),
      decoderFailed(false) {}

// Globals outlive the sound device, so only the decoder and the file are let
// go here; OpenAL objects are released by close() while a context exists.
MusicStream::~MusicStream() {
    if (decoder) {
        ov_clear(decoder);
        delete decoder;
    }
    if (file) std::fclose(file);
}

bool MusicStream::open(const char* name, bool loopFlag, bool streamedFlag) {
    // Reopening (the race music every race) first lets go of the last file.
    if (source || decoder || file) close();
    if (!name) return false;
    FILE* probe = platformOpenFile(name, "rb");
    if (!probe) return false;
    std::fclose(probe);

    loop = loopFlag;
    alGenSources(1, &source);
    if (!checkAlError()) {
        source = 0;
        return false;
    }
    alSourcef(source, AL_PITCH, 1.0f);
    gain = 0.0f;
    alSourcef(source, AL_GAIN, 0.0f);
    // Music plays at the listener: left at the world's origin it would fade
    // with the distance of a race's camera from there.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcefv(source, AL_POSITION, position);
    alSourcefv(source, AL_VELOCITY, velocity);
    alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);

    const char* dot = std::strrchr(name, '.');
    char extension[4] = {0, 0, 0, 0};
    if (dot && std::strlen(dot + 1) == 3) {
        for (int i = 0; i < 3; ++i)
            extension[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(dot[1 + i])));
    }
    bool opened = false;
    if (std::strcmp(extension, "WAV") == 0)
        opened = openWav(name);
    else if (std::strcmp(extension, "OGG") == 0)
        opened = openOgg(name, streamedFlag);
    if (!opened) {
        // A failed open holds nothing: the object stays silent until reopened.
        close();
        return false;
    }
    sourceCopy = source;
    return true;
}

bool MusicStream::openWav(const char* name) {
    streamed = false;
    uint32_t buffer = findWholeFileBuffer(name);
    if (!buffer) {
        alGenBuffers(1, &buffer);
        if (!checkAlError()) return false;
        WavSound wav;
        readWavFile(name, &wav);
        alBufferData(buffer, wav.format, wav.data.empty() ? nullptr : wav.data.data(),
                     static_cast<ALsizei>(wav.data.size()), wav.frequency);
        if (!checkAlError()) {
            alDeleteBuffers(1, &buffer);
            return false;
        }
        registerBuffer(buffer, name, wav.frequency, wav.format, false);
    }
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcef(source, AL_MAX_GAIN, 0.8f);
    alSourcef(source, AL_MAX_DISTANCE, 8.0f);
    alSourcef(source, AL_REFERENCE_DISTANCE, 10.0f);
    return true;
}

bool MusicStream::openOgg(const char* name, bool streamedFlag) {
    file = platformOpenFile(name, "rb");
    if (!file) return false;
    decoder = new OggVorbis_File();
    if (ov_open_callbacks(file, decoder, nullptr, 0, kFileCallbacks) < 0) {
        // A failed open has already cleared the decoder; clearing it again
        // lets go of anything it kept and is harmless otherwise.
        ov_clear(decoder);
        delete decoder;
        decoder = nullptr;
        return false;
    }
    comment = ov_comment(decoder, -1);
    info = ov_info(decoder, -1);
    // Decoded samples go to OpenAL as they come: only one or two channels
    // match a format it takes.
    if (!info || (info->channels != 1 && info->channels != 2) || info->rate <= 0 || info->rate > 0x7FFFFFFF)
        return false;
    const int rate = static_cast<int>(info->rate);
    const int format = info->channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;

    streamed = streamedFlag;
    if (streamed) {
        // A looping source would replay its stale queue: the decoder does the
        // looping instead, by seeking back to the first sample.
        alSourcei(source, AL_LOOPING, AL_FALSE);
        alGenBuffers(kStreamBufferCount, streamBuffers);
        if (!checkAlError()) return false;
        streamBufferCount = kStreamBufferCount;
        for (int i = 0; i < streamBufferCount; ++i)
            registerBuffer(streamBuffers[i], name, rate, format, true);
        return primeQueue();
    }

    uint32_t buffer = findWholeFileBuffer(name);
    if (!buffer) {
        ogg_int64_t samples = ov_pcm_total(decoder, -1);
        if (samples < 0 || samples * 4 > kMaxWholeFileBytes) return false;
        alGenBuffers(1, &buffer);
        if (!checkAlError()) return false;
        registerBuffer(buffer, name, rate, format, false);
        fill(buffer, static_cast<int>(samples * 4));
    }
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    return true;
}

// Fills the stream's buffers from the decoder's position and queues them. A
// looping stream that ends inside a buffer continues from the start in the
// next one; a non-looping one queues its last audio and stops refilling.
bool MusicStream::primeQueue() {
    for (int i = 0; i < streamBufferCount; ++i) {
        uint32_t buffer = streamBuffers[i];
        bool ended = false;
        int bytes = fillBytes(buffer, kStreamBufferBytes, &ended);
        if (ended && restartDecoder()) {
            if (bytes == 0 && loop) bytes = fillBytes(buffer, kStreamBufferBytes, &ended);
            if (ended) restartDecoder();
        }
        if (bytes > 0) {
            alSourceQueueBuffers(source, 1, &buffer);
            if (!checkAlError()) return false;
        }
        if (ended && !loop) {
            endQueued = true;
            break;
        }
    }
    return true;
}

int MusicStream::fillBytes(uint32_t buffer, int byteCount, bool* ended) {
    *ended = true;
    if (byteCount <= 0 || !decoder || decoderFailed) return 0;
    auto registered = audio.bufferRegistry.find(buffer);
    if (registered == audio.bufferRegistry.end()) return 0;

    std::unique_ptr<char[]> pcm(new char[static_cast<size_t>(byteCount)]);
    int filled = 0;
    long last = 0;
    int errorsInRow = 0;
    while (filled < byteCount) {
        int bitstream = 0;
        last = ov_read(decoder, pcm.get() + filled, byteCount - filled, 0, 2, 1, &bitstream);
        if (last == 0) break;
        if (last == OV_HOLE) {
            // Holes in the stream are skipped; a decoder that never recovers
            // is taken as ended rather than spun on forever.
            if (++errorsInRow >= kMaxDecodeErrors) break;
            continue;
        }
        if (last < 0) {
            // Anything worse than a hole means the file is damaged: decoding
            // on (or seeking about) in it is how a broken stream gets to
            // write where it should not.
            decoderFailed = true;
            break;
        }
        errorsInRow = 0;
        filled += static_cast<int>(last);
    }
    if (filled > 0) {
        alBufferData(buffer, registered->second.format, pcm.get(), filled, registered->second.rate);
        checkAlError();
    }
    *ended = last <= 0;
    return filled;
}

bool MusicStream::fill(uint32_t buffer, int byteCount) {
    if (byteCount == 0) return false;
    bool ended = false;
    fillBytes(buffer, byteCount, &ended);
    return !ended;
}

void MusicStream::update() {
    if (!streamed || !decoder || !source) return;
    ALint state = AL_STOPPED;
    if (endQueued) {
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        if (state == AL_STOPPED) restartAfterEnd();
        return;
    }

    ALint processed = 0;
    alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source, 1, &buffer);
        if (!checkAlError()) return;
        bool ended = false;
        int bytes = fillBytes(buffer, kStreamBufferBytes, &ended);
        if (ended) {
            if (!restartDecoder()) {
                // A damaged file: what was decoded still plays, then silence.
                if (bytes > 0) {
                    alSourceQueueBuffers(source, 1, &buffer);
                    checkAlError();
                }
                return;
            }
            if (!loop) {
                if (bytes > 0) {
                    alSourceQueueBuffers(source, 1, &buffer);
                    if (!checkAlError()) return;
                }
                endQueued = true;
                return;
            }
            // A stream that ended exactly on a buffer's edge left this one
            // empty: take it from the start instead of replaying stale audio.
            if (bytes == 0) {
                bytes = fillBytes(buffer, kStreamBufferBytes, &ended);
                if (ended) restartDecoder();
            }
        }
        if (bytes > 0) {
            alSourceQueueBuffers(source, 1, &buffer);
            if (!checkAlError()) return;
        }
    }

    if (playRequested) {
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        if (state == AL_STOPPED) alSourcePlay(source);
    }
}

// The last audio of a non-looping stream has played: rebuild the queue from
// the first sample and leave the source rewound, ready to play again.
void MusicStream::restartAfterEnd() {
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    endQueued = false;
    if (restartDecoder()) primeQueue();
    alSourceRewind(source);
    playRequested = false;
    queueStale = false;
}

// Like the effect sounds, a stream that never opened ignores these.
void MusicStream::play() {
    if (!source) return;
    if (queueStale && streamed && decoder) {
        // Without this a rewound stream would first replay up to two buffers
        // from where it stopped before reaching its beginning.
        alSourceStop(source);
        alSourcei(source, AL_BUFFER, 0);
        endQueued = false;
        if (restartDecoder()) primeQueue();
    }
    queueStale = false;
    alSourcePlay(source);
    playRequested = true;
}

void MusicStream::stop() {
    if (source) alSourceStop(source);
    playRequested = false;
}

void MusicStream::rewind() {
    if (streamed && endQueued && decoder && source) {
        restartAfterEnd();
        return;
    }
    if (decoder) restartDecoder();
    if (source) {
        alSourceStop(source);
        alSourceRewind(source);
    }
    playRequested = false;
    queueStale = streamed;
}

void MusicStream::setGain(float newGain) {
    gain = newGain;
    // The race music is part of the bed an impact ducks.
    const float duck = this == &audio.raceMusic ? audio.raceBedGain : 1.0f;
    if (source) alSourcef(source, AL_GAIN, gain * musicVolume * duck);
}

bool MusicStream::isPlaying() const {
    ALint state = AL_STOPPED;
    if (source) alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void MusicStream::releaseStreamBuffers() {
    for (int i = 0; i < streamBufferCount; ++i) {
        ALuint buffer = streamBuffers[i];
        audio.bufferRegistry.erase(buffer);
        if (buffer && alIsBuffer(buffer)) alDeleteBuffers(1, &buffer);
        streamBuffers[i] = 0;
    }
    streamBufferCount = 0;
}

void MusicStream::close() {
    if (source) {
        alSourceStop(source);
        // Detaching the queue first lets the streamed buffers be deleted.
        alSourcei(source, AL_BUFFER, 0);
        if (alIsSource(source)) alDeleteSources(1, &source);
    }
    releaseStreamBuffers();
    source = 0;
    sourceCopy = 0;
    if (decoder) {
        ov_clear(decoder);
        delete decoder;
        decoder = nullptr;
    }
    comment = nullptr;
    info = nullptr;
    if (file) {
        std::clearerr(file);
        std::fclose(file);
        file = nullptr;
    }
    streamed = false;
    endQueued = false;
    playRequested = false;
    queueStale = false;
    decoderFailed = false;
}

// Back to the first sample by opening the file again instead of seeking: on
// some malformed streams that still decode, the decoder's PCM seek writes out
// of bounds in the system's Ogg library. An open walks the file exactly as the
// first one did, which this file came through. The same format must come
// back, since the buffers are registered with it.
bool MusicStream::restartDecoder() {
    if (!decoder || !file || decoderFailed) return false;
    const long channels = info ? info->channels : 0;
    const long rate = info ? info->rate : 0;
    ov_clear(decoder);
    comment = nullptr;
    info = nullptr;
    std::clearerr(file);
    bool reopened =
        fseeko(file, 0, SEEK_SET) == 0 && ov_open_callbacks(file, decoder, nullptr, 0, kFileCallbacks) == 0;
    if (reopened) {
        comment = ov_comment(decoder, -1);
        info = ov_info(decoder, -1);
        reopened = info && info->channels == channels && info->rate == rate;
    }
    if (!reopened) {
        ov_clear(decoder);
        comment = nullptr;
        info = nullptr;
        decoderFailed = true;
    }
    return reopened;
}
