// Ownership and lookup of an effect's parameters.
#include "parameters/parameter_manager.h"

#include <cstring>

#include "parameters/aax_iparameter.h"

ParameterManager::~ParameterManager() { RemoveAllParameters(); }

bool ParameterManager::AddParameter(AAX_IParameter* parameter) {
    if (parameter == nullptr) return false;
    const std::string id = parameter->Identifier();
    if (parametersById.find(id) != parametersById.end()) {
        // Deleted before any delegate is attached, so the host hears nothing about the refused copy.
        delete parameter;
        return false;
    }
    parameter->SetAutomationDelegate(automationDelegate);
    parameters.push_back(parameter);
    parametersById.emplace(id, parameter);
    return true;
}

void ParameterManager::RemoveAllParameters() {
    for (AAX_IParameter* parameter : parameters) delete parameter;
    parameters.clear();
    parametersById.clear();
}

AAX_IParameter* ParameterManager::FindParameter(const char* id) const {
    if (id == nullptr) return nullptr;
    const auto found = parametersById.find(std::string_view(id));
    return found == parametersById.end() ? nullptr : found->second;
}

int32_t ParameterManager::FindParameterIndex(const char* id) const {
    if (id == nullptr) return -1;
    for (size_t index = 0; index < parameters.size(); ++index)
        if (std::strcmp(parameters[index]->Identifier(), id) == 0) return static_cast<int32_t>(index);
    return -1;
}
