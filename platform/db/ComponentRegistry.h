// The component palette of the class library: component classes registered
// by name under a page, each with the factory that creates one for an
// owner. There is no design environment here; the palette is what a program
// (or a form reader) asks to create a component by its class name.
#pragma once

#include "platform/db/TComponent.h"

#include <functional>
#include <string>
#include <vector>

struct TComponentClass {
    std::string ClassName;
    std::function<TComponent*(TComponent* owner)> Create;
};

// Registers the classes on the page; a class registered again replaces its
// earlier entry.
void RegisterComponents(const std::string& page, const std::vector<TComponentClass>& classes);
// The page a class is registered on, empty when it is not.
std::string ComponentPage(const std::string& className);
// A new component of the registered class, or null for an unknown class.
TComponent* CreateComponent(const std::string& className, TComponent* owner = nullptr);
