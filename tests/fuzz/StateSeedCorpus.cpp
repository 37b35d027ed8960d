// Writes the seed corpus of the state-file fuzz target into the folder given as argument: a
// file of three states as the viewer writes it (planes on and off, every group kind but the
// volume edges), an older-format file, and short variants of both.
#include <cstdio>
#include <string>

namespace {

// Three states written by a scene of every element kind.
const char *const Written =
    "V201506\n"
    "12 12\n"
    "36864 1 -1 640 480 12 34 7 32\n"
    "0 0 -2.34568\t0 0 0\t45\t0.5\t4\t-0.5 -0.433013 0.75 0 0.866025 -0.25 0.433013 0 0 0.866025 0.5 0 0 0 0 1 \n"
    "0 1\t0 6 23 0 10\t\n"
    "1 1\t50 6 87 0 10\t\n"
    "3 1\t60 6 23 0 25\t\n"
    "5 1\t80 14 23 0 10\t\n"
    "6 1\t490 14 23 0 10\t\n"
    "7 1\t90 14 23 0 10\t\n"
    "8 1\t100 15 23 0 10\t\n"
    "9 1\t250 6 39 0 10\t\n"
    "10 1\t240 6 23 0 10\t\n"
    "11 1\t270 6 23 0 10\t\n"
    "12 1\t300 14 23 0 10\t\n"
    "13 1\t330 14 23 0 10\t\n"
    "14 1 2 5 4 3\t0.123457 -0.876543 -1.87654 -2.87654\t0.246913 -0.753087 -1.75309 -2.75309\t0.37037 -0.62963 -1.62963 -2.62963\t\n"
    "13 13\n"
    "36864 1 -1 640 480 12 34 7 32\n"
    "0 0 -2.34568\t0 0 0\t45\t0.5\t4\t-0.5 -0.433013 0.75 0 0.866025 -0.25 0.433013 0 0 0.866025 0.5 0 0 0 0 1 \n"
    "0 1\t0 6 23 0 10\t\n"
    "1 1\t50 6 87 0 10\t\n"
    "3 1\t60 6 23 0 25\t\n"
    "4 1\t70 6 23 0 10\t\n"
    "5 1\t80 14 23 0 10\t\n"
    "6 1\t490 14 23 0 10\t\n"
    "7 1\t90 14 23 0 10\t\n"
    "8 1\t100 15 23 0 10\t\n"
    "9 1\t250 6 39 0 10\t\n"
    "10 1\t240 6 23 0 10\t\n"
    "11 1\t270 6 23 0 10\t\n"
    "12 1\t300 14 23 0 10\t\n"
    "13 1\t330 14 23 0 10\t\n"
    "14 0 -1 0 0 0\t0 0 0 0\n"
    "13 13\n"
    "36864 1 -1 640 480 12 34 7 32\n"
    "0 0 -2.34568\t0 0 0\t45\t0.5\t4\t-0.5 -0.433013 0.75 0 0.866025 -0.25 0.433013 0 0 0.866025 0.5 0 0 0 0 1 \n"
    "0 1\t0 6 23 0 10\t\n"
    "1 1\t50 6 87 0 10\t\n"
    "3 1\t60 6 23 0 12\t\n"
    "4 1\t70 6 23 0 10\t\n"
    "5 1\t80 14 23 0 10\t\n"
    "6 1\t490 14 23 0 10\t\n"
    "7 1\t90 14 23 0 10\t\n"
    "8 1\t100 15 23 0 10\t\n"
    "9 1\t250 6 39 0 10\t\n"
    "10 1\t240 6 23 0 10\t\n"
    "11 1\t270 6 23 0 10\t\n"
    "12 1\t300 14 23 0 10\t\n"
    "13 1\t330 14 23 0 10\t\n"
    "14 0 -1 0 0 0\t0 0 0 0\n";

// The older format: no version line, four numbers per record, five on the clip line.
const char *const Older =
    "1 2\n0 0 0 800 800 0 0 90 0\n"
    "0 0 -2\t0 0 0\t45\t0.5\t4\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n"
    "3 2\t1 6 23 0\t7 6 23 1\t\n"
    "14 1 0 1 1\t1 0 0 -0.5\t\n"
    "0 0\n5\n"
    "0 0 -2\t0 0 0\t45\t0.5\t4\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n"
    "14 0 -1 0 0\t0 0 0 0\n";

int count = 0;

bool save(const std::string &dir, const std::string &text) {
  std::string path = dir + "/seed" + std::to_string(count++);
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(text.data(), 1, text.size(), f);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s folder\n", argv[0]);
    return 1;
  }
  const std::string dir = argv[1], written = Written, older = Older;
  bool ok = save(dir, written) && save(dir, older);
  // The first state alone, and each file cut in the middle of its second state.
  ok = ok && save(dir, written.substr(0, written.find("\n13 13\n") + 1));
  ok = ok && save(dir, written.substr(0, written.size() / 2)) && save(dir, older.substr(0, older.size() * 3 / 4));
  if (!ok) {
    fprintf(stderr, "cannot write the seeds into %s\n", dir.c_str());
    return 1;
  }
  printf("%d seeds in %s\n", count, dir.c_str());
  return 0;
}
