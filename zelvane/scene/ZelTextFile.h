// Numbers of the view and state files, written and read the same whatever the process's
// numeric locale: doubles print as "%lg" does in the C locale, words are read whole.
//
// A reader never trusts what it reads: a word longer than any number is consumed and refused,
// a line is consumed whole whatever its length, a number must fill its word and be finite.
#pragma once

#include <cstdio>
#include <string>

struct ZelViewBucket;

class ZelTextWriter {
 public:
  ZelTextWriter &num(double v);  // "%lg"
  ZelTextWriter &num(int v);     // "%d"
  ZelTextWriter &put(const char *text);
  const std::string &str() const { return out_; }

 private:
  std::string out_;
};

// Writes the text to the file at path, through a temporary file renamed over it once
// complete (WriteUserFile, with its `how` bits). 1 written, 0 when the file cannot be created
// or written (UserFileWriteReason says why); the old file of that name is then whole, unless
// a write in place failed midway (UserFile.h: the reason then names the complete copy).
int zelWriteTextFile(const char *path, const std::string &text, int how = 0);

class ZelTextReader {
 public:
  explicit ZelTextReader(FILE *f) : f_(f) {}

  // The next word, whitespace-separated, at most 255 characters kept; false at end of file.
  bool word(std::string *w);
  // The next word as an int or a finite double; false at end of file or when the word is not
  // wholly such a number.
  bool readInt(int *v);
  bool readDouble(double *v);
  // Consumes the rest of the current line, newline included.
  void skipLine();
  // The next line without its newline, its first `limit` characters kept and the rest
  // consumed; false at end of file.
  bool line(std::string *text, size_t limit);
  void rewind() { std::rewind(f_); }
  // Whether a read has met the end of the file: the word or line read last ran up to it, or
  // none was left.
  bool atEnd() const { return std::feof(f_) != 0; }

 private:
  FILE *f_;
};

// Parses the leading integers of a text, stopping at the first word that is not one; at most
// `max` are stored, the return is how many were found (max + 1 when there were more).
int zelScanInts(const std::string &text, int *out, int max);

// The camera line shared by view and state files: translation and centre
// ("%lg %lg %lg\t%lg %lg %lg\t"), fov, near and far ("%lg\t%lg\t%lg\t"), 16 matrix values
// ("%lg " each), "\n".
void zelPutViewLine(ZelTextWriter &w, const ZelViewBucket &v);
// Reads the 25 numbers of a camera into v; false when one cannot be read (v then partly
// written).
bool zelReadViewLine(ZelTextReader &r, ZelViewBucket *v);
