#pragma once

#include <string>
#include <vector>

namespace parvel::tavi {

int cmdScenes(const std::vector<std::string>& args);
int cmdGet(const std::vector<std::string>& args);
int cmdDigest(const std::vector<std::string>& args);
int cmdDecipher(const std::vector<std::string>& args);
int cmdEncipher(const std::vector<std::string>& args);
int cmdPlay(const std::vector<std::string>& args);
int cmdLint(const std::vector<std::string>& args);
int cmdUnused(const std::vector<std::string>& args);
int cmdMap(const std::vector<std::string>& args);
int cmdCoverage(const std::vector<std::string>& args);
int cmdLsp(const std::vector<std::string>& args);

}  // namespace parvel::tavi
