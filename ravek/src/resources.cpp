#include "ravek/src/resources.h"

#include "ravek/src/controls.h"
#include "ravek/src/xml.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>
#include <vector>

namespace ravek {

char const* const XML_RESOURCES_RESOURCES = "resources";

void BasicResourceBank::getFromNode(xml::Node const*, std::string const&) {}

void BasicResourceBank::load(std::string const& file, std::string const& dir) {
    std::string base = dir;
    if (base.empty()) {
        size_t slash = file.rfind('/');
        if (slash != std::string::npos)
            base = file.substr(0, slash + 1);
    }
    if (!base.empty() && base.back() != '/')
        base += '/';
    std::unique_ptr<xml::Node> root(xml::loadXML(file));
    if (!root || root->name != getNodeName())
        return;
    base += root->getAttribute("dir", "");
    getFromNode(root.get(), base);
}

ResourceBankGenerator::ResourceBankGenerator() {
    registerResourceBankGenerator(this);
}

std::list<ResourceBankGenerator const*>& getGenerators() {
    static std::list<ResourceBankGenerator const*>* generators =
        new std::list<ResourceBankGenerator const*>;
    return *generators;
}

void registerResourceBankGenerator(ResourceBankGenerator const* generator) {
    getGenerators().push_back(generator);
}

void unregisterResourceBankGenerator(ResourceBankGenerator const* generator) {
    getGenerators().remove(generator);
}

BasicResourceBankGenerator resourceBankGenerator;

BasicResourceBank* BasicResourceBankGenerator::generateBank(std::string const& type) const {
    if (type == "inputEvaluator")
        return new InputEvaluator;
    return nullptr;
}

ResourceManager::~ResourceManager() {
    std::set<BasicResourceBank*> doomed = replaced;
    for (auto const& entry : banks)
        doomed.erase(entry.second);
    banks.clear();
    deleteNewestFirst(doomed);
}

void ResourceManager::deleteBanks() {
    std::set<BasicResourceBank*> doomed = replaced;
    for (auto const& entry : banks)
        if (entry.second)
            doomed.insert(entry.second);
    banks.clear();
    replaced.clear();
    deleteNewestFirst(doomed);
    firstStored.clear();
}

void ResourceManager::deleteNewestFirst(std::set<BasicResourceBank*> const& doomed) {
    // A bank put into the map by hand has no place in the order: it counts as the newest.
    std::vector<std::pair<unsigned long, BasicResourceBank*>> order;
    for (BasicResourceBank* bank : doomed) {
        auto found = firstStored.find(bank);
        order.emplace_back(found == firstStored.end() ? ULONG_MAX : found->second, bank);
    }
    std::sort(order.rbegin(), order.rend());
    for (auto const& entry : order)
        delete entry.second;
}

void ResourceManager::storeBank(std::string const& name, BasicResourceBank* bank) {
    BasicResourceBank*& entry = banks[name];
    if (entry && entry != bank)
        replaced.insert(entry);
    entry = bank;
    if (!bank)
        return;
    bank->manager = this;
    firstStored.emplace(bank, firstStored.size());
}

void ResourceManager::getFromNode(xml::Node const* node, std::string const& dir) {
    for (xml::Node const* child : node->children) {
        std::string name = child->getAttribute("name", "");
        std::string bankDir = dir + child->getAttribute("dir", "");
        if (name.empty()) {
            debug::error(dbgResources, "Missing name attribute from resource bank node.");
            continue;
        }
        BasicResourceBank* bank = createResourceBank(child->name);
        if (!bank) {
            debug::warning(dbgResources, "Unknown resource bank type \"%s\".", child->name.c_str());
            continue;
        }
        if (banks.count(name))
            debug::warning(dbgResources,
                           "Resource bank name \"%s\" used again; the later bank takes it.",
                           name.c_str());
        storeBank(name, bank);
        bank->getFromNode(child, bankDir);
    }
}

BasicResourceBank* ResourceManager::createResourceBank(std::string const& type) {
    for (ResourceBankGenerator const* generator : getGenerators()) {
        if (!generator)
            continue;
        if (BasicResourceBank* bank = generator->generateBank(type))
            return bank;
    }
    return nullptr;
}

} // namespace ravek
