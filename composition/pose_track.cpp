// Keyframe tracks: reading a track record, ordered insertion with rates, sampling.
#include "composition/pose_track.h"

#include <algorithm>
#include <cmath>

#include "io/byte_cursor.h"
#include "platform/win32.h"

namespace {

void ShowDuplicateTimeBox() {
    MessageBoxA(nullptr, "Det finnes et keyframe p\xE5 samme tid", "Error", MB_OK);
}

// Time order with every time that is not a number after all others (and equal among themselves).
bool EarlierThan(const PoseKey& a, const PoseKey& b) {
    return std::isnan(b.time) ? !std::isnan(a.time) : a.time < b.time;
}

// Rates of k towards its successor n, as 1 / (time span) times the change. An unchanged channel
// gets exactly 0 even when the span is so small that its inverse overflows.
void SetRates(PoseKey& k, const PoseKey& n) {
    const float inv = 1.0f / (n.time - k.time);
    for (int c = 0; c < 6; ++c) {
        const float change = n.*PoseKey::channels[c] - k.*PoseKey::channels[c];
        k.rates[c] = change == 0.0f ? 0.0f : change * inv;
    }
}

void ClearRates(PoseKey& k) {
    std::fill(std::begin(k.rates), std::end(k.rates), 0.0f);
}

// Reads the seven floats of the first key record, in file order.
bool ReadFirstRecord(ByteCursor& in, PoseKey* k) {
    float* const order[7] = {&k->time, &k->alpha, &k->rotation, &k->x, &k->y, &k->scaleX, &k->scaleY};
    for (float* value : order)
        if (!in.F32(value, "first key record")) return false;
    return true;
}

// A further record: flags, time, then one float per set bit; clear bits keep *k's values.
bool ReadFurtherRecord(ByteCursor& in, PoseKey* k) {
    static const struct {
        uint8_t bit;
        float PoseKey::*channel;
    } flagged[6] = {{0x80, &PoseKey::x},      {0x40, &PoseKey::y},        {0x20, &PoseKey::scaleX},
                    {0x10, &PoseKey::scaleY}, {0x08, &PoseKey::rotation}, {0x04, &PoseKey::alpha}};
    uint8_t flags = 0;
    if (!in.U8(&flags, "key record") || !in.F32(&k->time, "key record")) return false;
    for (const auto& f : flagged)
        if ((flags & f.bit) && !in.F32(&(k->*f.channel), "key record")) return false;
    return true;
}

}  // namespace

bool PoseTrack::Read(ByteCursor& in) {
    uint32_t count = 0;
    PoseKey current;  // the values as read, carried from record to record whether or not accepted
    if (!in.U32(&count, "key count") || !ReadFirstRecord(in, &current)) return false;
    // The first record is there whatever the count says; each further one is at least 5 bytes.
    if (count > 1 && !in.Fits(count - 1, 5, "key")) return false;

    std::vector<PoseKey> all = keys;  // existing keys come first, so they win a tie
    const size_t firstNew = all.size();
    for (uint32_t i = 0; i < std::max<uint32_t>(count, 1); ++i) {
        if (i > 0 && !ReadFurtherRecord(in, &current)) return false;
        all.push_back(current);
        if (all.back().time < 0.0f) all.back().time = 0.0f;
    }

    // The same keys, order and boxes as inserting the records one by one, in n log n rather than
    // n squared (a hostile file can hold a great many keys). Equal times keep read order, so the
    // first key at a time stays and every later one is dropped with its own box.
    std::stable_sort(all.begin() + firstNew, all.end(), EarlierThan);
    std::inplace_merge(all.begin(), all.begin() + firstNew, all.end(), EarlierThan);
    keys.clear();
    for (PoseKey& k : all) {
        if (!keys.empty() && k.time == keys.back().time) {
            ShowDuplicateTimeBox();
            continue;
        }
        keys.push_back(k);
    }
    UpdateRates();
    return true;
}

bool PoseTrack::InsertKey(float x, float y, float scaleX, float scaleY, float rotation, float alpha, float time) {
    if (time < 0.0f) time = 0.0f;
    PoseKey key;
    key.time = time;
    auto at = std::isnan(time) ? keys.end() : std::lower_bound(keys.begin(), keys.end(), key, EarlierThan);
    if (at != keys.end() && at->time == time) {
        ShowDuplicateTimeBox();
        return false;
    }
    key.x = x, key.y = y, key.scaleX = scaleX, key.scaleY = scaleY, key.rotation = rotation, key.alpha = alpha;
    at = keys.insert(at, key);
    if (std::isnan(time)) return true;  // last, and no key's rates lead to it
    // Only the new key and its predecessor change rates; the rest would be recomputed unchanged.
    const size_t i = size_t(at - keys.begin());
    if (i + 1 < TimedKeys())
        SetRates(keys[i], keys[i + 1]);
    else
        ClearRates(keys[i]);
    if (i > 0) SetRates(keys[i - 1], keys[i]);
    return true;
}

size_t PoseTrack::TimedKeys() const {
    const auto end =
        std::partition_point(keys.begin(), keys.end(), [](const PoseKey& k) { return !std::isnan(k.time); });
    return size_t(end - keys.begin());
}

void PoseTrack::UpdateRates() {
    const size_t timed = TimedKeys();
    for (size_t i = 0; i + 1 < timed; ++i) SetRates(keys[i], keys[i + 1]);
    for (size_t i = timed ? timed - 1 : 0; i < keys.size(); ++i) ClearRates(keys[i]);
}

PoseKey PoseTrack::Sample(float t) const {
    const auto timedEnd = keys.begin() + std::ptrdiff_t(TimedKeys());
    if (timedEnd == keys.begin()) return defaultPose;
    if (!(t >= 0.0f)) t = 0.0f;  // negative (and not-a-number) times sample at 0
    if (t < keys.front().time) return defaultPose;
    // The last key at or before t: one before the first key after t.
    PoseKey probe;
    probe.time = t;
    const PoseKey& k = *(std::upper_bound(keys.begin(), timedEnd, probe, EarlierThan) - 1);
    PoseKey out;
    for (int c = 0; c < 6; ++c) out.*PoseKey::channels[c] = k.*PoseKey::channels[c] + (t - k.time) * k.rates[c];
    return out;
}
