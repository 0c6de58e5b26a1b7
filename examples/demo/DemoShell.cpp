#include "examples/demo/DemoShell.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/EventLoop.h"

using namespace rv;

std::string DemoShell(TQVShellLog& Shell, const std::string& ScratchFolder) {
  std::printf("the shell change monitor on %s\n", ScratchFolder.c_str());
  // A scratch folder: emptied, so a second run sees the same changes.
  std::filesystem::remove_all(ScratchFolder);
  std::filesystem::create_directories(ScratchFolder);
  std::vector<std::string> seen;
  Shell.SetPath(ScratchFolder);
  Shell.SetWatchSubTree(true);
  Shell.SetOptions({lnFileCreate, lnFileDelete, lnFileRename, lnFolderCreate});
  Shell.SetOnFileCreate([&](TObject*, const std::string& V) { seen.push_back("created " + V); });
  Shell.SetOnFileDelete([&](TObject*, const std::string& V) { seen.push_back("deleted " + V); });
  Shell.SetOnFileRename([&](TObject*, const std::string& Old, const std::string& New) {
    seen.push_back("renamed " + Old + " to " + New);
  });
  Shell.SetOnFolderCreate([&](TObject*, const std::string& V) { seen.push_back("folder created " + V); });
  Shell.SetActive(true);

  const std::filesystem::path folder(ScratchFolder);
  std::ofstream(folder / "note.txt") << "a note\n";
  std::filesystem::rename(folder / "note.txt", folder / "renamed.txt");
  std::filesystem::remove(folder / "renamed.txt");
  std::filesystem::create_directory(folder / "new folder");

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (seen.size() < 4 && std::chrono::steady_clock::now() < deadline) {
    Application->ProcessMessages();
    if (seen.size() < 4) EventLoop().Wait(50);
  }
  for (const std::string& line : seen) std::printf("  %s\n", line.c_str());
  if (seen.size() < 4) std::printf("  (only %zu of 4 notifications arrived)\n", seen.size());
  Shell.SetActive(false);
  // The handlers write to this function's list: none may outlive it.
  Shell.SetOnFileCreate({});
  Shell.SetOnFileDelete({});
  Shell.SetOnFileRename({});
  Shell.SetOnFolderCreate({});
  std::printf("\n");
  return std::to_string(seen.size()) + " of 4 shell notifications";
}
