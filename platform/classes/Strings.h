#pragma once
// TStrings, the abstract list of strings, and TStringList, its stored form.
// Text joins lines with CR LF; reading text splits at CR LF, LF or CR.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/Events.h"
#include "platform/classes/Persistent.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

RV_ENUM(TDuplicates, std::uint8_t, dupIgnore, dupAccept, dupError)

class TStrings : public TPersistent {
  RV_CLASS(TStrings, TPersistent)
 public:
  virtual int Count() const = 0;
  // Raise EStringListError for an index out of range.
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S);
  std::string Strings(int Index) const { return Get(Index); }
  std::string operator[](int Index) const { return Get(Index); }

  virtual int Add(const std::string& S);
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  void AddStrings(const TStrings* Strings);
  // Case-insensitive (ASCII) search; -1 when absent.
  virtual int IndexOf(std::string_view S) const;

  // The lines, each followed by CR LF.
  std::string Text() const;
  virtual void SetText(std::string_view Value);
  std::vector<std::string> ToVector() const;
  // Replaces the content by these lines (the stored form, "Strings").
  void SetStrings(const std::vector<std::string>& Lines);

  // Reads a text file (UTF-8, a leading byte-order mark dropped); raises
  // EFOpenError or EReadError naming the file and the reason.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

  void Assign(const TPersistent* Source) override;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

 protected:
  // Called when the content changed (and no update is pending).
  virtual void Changed() {}
  virtual void SetUpdateState(bool /*Updating*/) {}

 private:
  int FUpdateCount = 0;
};

class TStringList : public TStrings {
  RV_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;

  int Count() const override { return static_cast<int>(FList.size()); }
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  // Sorted lists insert in order and apply Duplicates (dupError raises
  // EStringListError "String list does not allow duplicates").
  int Add(const std::string& S) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  int IndexOf(std::string_view S) const override;
  void SetText(std::string_view Value) override;

  // Binary search of a sorted list: true when found; Index is where S is or
  // would be.
  bool Find(std::string_view S, int& Index) const;
  void Sort();

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);

  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

  // Direct read access for hot loops (no copies).
  const std::vector<std::string>& Lines() const { return FList; }

 protected:
  void Changed() override;
  void SetUpdateState(bool Updating) override;

 private:
  int CompareStrings(std::string_view a, std::string_view b) const;
  void CheckIndex(int Index, bool AllowEnd = false) const;

  std::vector<std::string> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = dupIgnore;
  bool FChangedWhileUpdating = false;
  TNotifyEvent FOnChange;
};

}  // namespace rv
