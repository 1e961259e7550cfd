// Bus descriptions as a host reads them.
#include "Bus.h"

#include <cstring>

#include "Vst3Strings.h"

namespace vst3 {

Bus::Bus(const TChar* name, BusType busType, uint32 flags) : name(name ? name : u""), busType(busType), flags(flags) {}

void Bus::getInfo(BusInfo& info) const {
    std::memset(info.name, 0, sizeof info.name);
    copyInto16(info.name, 128, name.c_str());
    info.busType = busType;
    info.flags = flags;
}

AudioBus::AudioBus(const TChar* name, BusType busType, uint32 flags, SpeakerArrangement arrangement)
    : Bus(name, busType, flags), arrangement(arrangement) {}

void AudioBus::getInfo(BusInfo& info) const {
    Bus::getInfo(info);
    info.channelCount = channelCountOf(arrangement);
}

EventBus::EventBus(const TChar* name, BusType busType, uint32 flags, int32 channelCount)
    : Bus(name, busType, flags), channelCount(channelCount) {}

void EventBus::getInfo(BusInfo& info) const {
    Bus::getInfo(info);
    info.channelCount = channelCount;
}

Bus* BusList::at(int32 index) const {
    if (index < 0 || index >= count()) return nullptr;
    return busses[static_cast<size_t>(index)].get();
}

Bus* BusList::append(std::unique_ptr<Bus> bus) {
    busses.push_back(std::move(bus));
    return busses.back().get();
}

void BusList::replaceAt(int32 index, std::unique_ptr<Bus> bus) {
    if (index < 0 || index >= count() || !bus) return;
    busses[static_cast<size_t>(index)] = std::move(bus);
}

void BusList::removeAt(int32 index) {
    if (index < 0 || index >= count()) return;
    busses.erase(busses.begin() + index);
}

}  // namespace vst3
