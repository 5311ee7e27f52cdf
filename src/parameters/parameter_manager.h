// The effect-parameters object's parameters: an owning list in host index order and a map by ID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class AAX_IAutomationDelegate;
class AAX_IParameter;

class ParameterManager {
public:
    ParameterManager() = default;
    ~ParameterManager();
    ParameterManager(const ParameterManager&) = delete;
    ParameterManager& operator=(const ParameterManager&) = delete;

    // Borrowed; handed to every parameter added from now on (may be null).
    void setAutomationDelegate(AAX_IAutomationDelegate* delegate) { automationDelegate = delegate; }
    AAX_IAutomationDelegate* attachedDelegate() const { return automationDelegate; }

    // Always takes ownership of the parameter. A null parameter or one whose ID is already present
    // is refused: it is deleted at once and the result is false, so a refusal never leaks. Callers
    // must not attach an automation delegate to a parameter before adding it (a refused one would
    // unregister the ID of the parameter that stays).
    bool AddParameter(AAX_IParameter* parameter);
    // Deletes every parameter in list order, then empties the list and the map.
    void RemoveAllParameters();
    // Null for a null ID or an ID without a parameter.
    AAX_IParameter* FindParameter(const char* id) const;
    // Host index of the ID, or -1 for a null ID or an ID without a parameter.
    int32_t FindParameterIndex(const char* id) const;

    size_t count() const { return parameters.size(); }
    // The parameter at the host index, or null outside the list.
    AAX_IParameter* at(size_t index) const { return index < parameters.size() ? parameters[index] : nullptr; }

private:
    AAX_IAutomationDelegate* automationDelegate = nullptr;
    std::vector<AAX_IParameter*> parameters;
    // Transparent: a look-up by the caller's text builds no string, so the plug-in's automation
    // from its render call allocates nothing, whatever the length of the ID.
    std::map<std::string, AAX_IParameter*, std::less<>> parametersById;
};
