// Audio and event busses of a component and the ordered lists that hold them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Vst3Records.h"

namespace vst3 {

class Bus {
public:
    Bus(const TChar* name, BusType busType, uint32 flags);
    virtual ~Bus() = default;

    // Fills the name, type and flags of `info`; the channel count comes from the subclass.
    virtual void getInfo(BusInfo& info) const;

    bool isActive() const { return active; }
    void setActive(bool state) { active = state; }
    const std::u16string& getName() const { return name; }

private:
    std::u16string name;
    BusType busType;
    uint32 flags;
    bool active = false;
};

class AudioBus : public Bus {
public:
    AudioBus(const TChar* name, BusType busType, uint32 flags, SpeakerArrangement arrangement);
    void getInfo(BusInfo& info) const override;
    SpeakerArrangement getArrangement() const { return arrangement; }
    void setArrangement(SpeakerArrangement value) { arrangement = value; }

private:
    SpeakerArrangement arrangement;
};

class EventBus : public Bus {
public:
    EventBus(const TChar* name, BusType busType, uint32 flags, int32 channelCount);
    void getInfo(BusInfo& info) const override;

private:
    int32 channelCount;
};

class BusList {
public:
    BusList(MediaType type, BusDirection direction) : type(type), direction(direction) {}

    MediaType getType() const { return type; }
    BusDirection getDirection() const { return direction; }
    int32 count() const { return static_cast<int32>(busses.size()); }
    // Null for an index outside the list.
    Bus* at(int32 index) const;
    Bus* append(std::unique_ptr<Bus> bus);
    void removeAt(int32 index);
    // Puts `bus` in place of the bus at `index`; nothing happens for an index outside the list.
    void replaceAt(int32 index, std::unique_ptr<Bus> bus);
    void clear() { busses.clear(); }

private:
    MediaType type;
    BusDirection direction;
    std::vector<std::unique_ptr<Bus>> busses;
};

}  // namespace vst3
