// The class library's component: the base of the non-visual parts of a data
// module (database connections, datasets). A component has an owner that
// frees it, a name, a state (being loaded from its stream, at design time,
// being destroyed), published properties that streaming reads and writes in
// their declaration order, and notifications of the removal of components it
// refers to.
//
// Streaming. A data module is built from its stream: each component is made
// with its owner, its stored property values are read (ReadProperties, in
// the order the class declares them, whatever order the stream holds them
// in: a setter may depend on an earlier property), and once every component
// is read, each one's Loaded runs. While csLoading is set, setters only
// store their values; Loaded is where a component acts on them.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Raised when a stream names a property the component does not publish, or
// holds a value the property cannot take.
class EReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TComponentStateFlag : unsigned {
    csLoading = 1,     // properties are being read from a stream; Loaded ends it
    csDesigning = 2,   // the component is being edited at design time
    csDestroying = 4,  // the component's destructor runs
};

enum TOperation { opInsert, opRemove };

class TComponent;

// A published property as streaming sees it: its name and its value as text
// ("True"/"False" for booleans, decimal integers, texts as they are).
struct TPublishedProperty {
    std::string Name;
    std::function<std::string(const TComponent&)> Read;
    std::function<void(TComponent&, const std::string&)> Write;
};

// Property values of a stream: (name, text) pairs.
using TPropertyValues = std::vector<std::pair<std::string, std::string>>;

class TComponent {
public:
    // The owner frees the component when it is freed itself, unless the
    // component was freed first.
    explicit TComponent(TComponent* owner = nullptr);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent();

    TComponent* Owner() const { return OwnerComponent; }
    const std::string& Name() const { return ComponentName; }
    void SetName(const std::string& name) { ComponentName = name; }

    // The components this one owns, in the order they were made.
    int ComponentCount() const { return static_cast<int>(OwnedComponents.size()); }
    TComponent* Components(int index) const { return OwnedComponents.at(static_cast<std::size_t>(index)); }
    // The owned component of that name (ASCII case ignored), or null.
    TComponent* FindComponent(const std::string& name) const;

    unsigned ComponentState() const { return State; }
    bool IsLoading() const { return (State & csLoading) != 0; }
    bool IsDesigning() const { return (State & csDesigning) != 0; }
    bool IsDestroying() const { return (State & csDestroying) != 0; }
    void SetDesigning(bool designing);

    // The published properties in declaration order. Derived classes append
    // theirs to their base's.
    virtual std::vector<TPublishedProperty> PublishedProperties() const { return {}; }
    // Sets csLoading and writes the given values in declaration order. A
    // name that is not published raises EReadError before anything is set.
    void ReadProperties(const TPropertyValues& values);
    // Every published property with its present value, in declaration order.
    TPropertyValues WriteProperties() const;
    // Called once the stream is read: clears csLoading. Overrides act on the
    // values read and then call this.
    virtual void Loaded();

    // Asks for a Notification(component, opRemove) when `component` is
    // freed; the request is mutual, so either may go first.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

protected:
    // `component` is being freed (opRemove): sent to the components that
    // asked for it, and to the owner of `component` and everything it owns.
    virtual void Notification(TComponent* component, TOperation operation);
    void SetLoading(bool loading);

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* OwnerComponent = nullptr;
    std::string ComponentName;
    unsigned State = 0;
    std::vector<TComponent*> OwnedComponents;
    std::vector<TComponent*> FreeNotifies;
};

// Helpers for published properties.
std::string BoolToStreamText(bool value);
// "True"/"False" (any case), "-1"/"1"/"0"; EReadError otherwise.
bool StreamTextToBool(const std::string& text);
// A decimal integer; EReadError otherwise.
int StreamTextToInt(const std::string& text);
