#pragma once
// The pause between the polls of a reply wait. The real clock runs a short local event loop,
// so the window keeps repainting and handling input while it lasts; tests replace it and count.
namespace dtu {

class IWaitClock {
public:
    virtual ~IWaitClock() = default;
    // Lets ms milliseconds pass while the window processes its pending messages.
    virtual void Pause(int ms) = 0;
};

class EventLoopClock : public IWaitClock {
public:
    void Pause(int ms) override;
};

// The event-loop clock, or another clock put in its place (tests make the waits instant).
class ReplaceableClock : public IWaitClock {
public:
    void Pause(int ms) override { (other_ ? other_ : &own_)->Pause(ms); }
    // Null: the event-loop clock again.
    void Use(IWaitClock* other) { other_ = other; }

private:
    EventLoopClock own_;
    IWaitClock* other_ = nullptr;
};

} // namespace dtu
