#include "tests/common/CommonTest.h"

namespace {

// A shared log of task starts and ends, with the most tasks seen running at once.
struct Log {
  std::atomic<int> clock{0}, running{0}, most{0};
  int start[16] = {}, end[16] = {};
};

struct Step {
  Log *log;
  int slot;
};

void logged(void *arg) {
  auto *s = static_cast<Step *>(arg);
  Log *l = s->log;
  l->start[s->slot] = ++l->clock;
  int now = ++l->running, seen = l->most.load();
  while (now > seen && !l->most.compare_exchange_weak(seen, now)) {
  }
  std::this_thread::sleep_for(20ms);
  --l->running;
  l->end[s->slot] = ++l->clock;
}

void nothing(void *) {}

// B and C depend on A; D, E and F on nothing; G and H on both A and F (named in either
// order), launched right after F, which ends long after A: at most as many run at once as
// there are threads, and with two threads the independent ones do run together.
TEST(Pipeline, DependenciesAndConcurrency) {
  for (int threads : {1, 2}) {
    ParallelPool *par = InitParallel(threads);
    ASSERT_NE(par, nullptr);
    Log log;
    Step s[8];
    for (int i = 0; i < 8; i++) s[i] = Step{&log, i};
    int ida = LaunchPipeline(par, logged, &s[0], 0, nullptr);
    ASSERT_GT(ida, 0);
    EXPECT_EQ(LaunchPipeline(par, logged, &s[1], 1, &ida), ida + 1);
    EXPECT_EQ(LaunchPipeline(par, logged, &s[2], 1, &ida), ida + 2);
    for (int i = 3; i < 6; i++) ASSERT_GT(LaunchPipeline(par, logged, &s[i], 0, nullptr), 0);
    int both[2][2] = {{ida + 5, ida}, {ida, ida + 5}};
    EXPECT_EQ(LaunchPipeline(par, logged, &s[6], 2, both[0]), ida + 6);
    EXPECT_EQ(LaunchPipeline(par, logged, &s[7], 2, both[1]), ida + 7);
    WaitPipeline(par);
    for (int id = ida; id < ida + 8; id++) EXPECT_EQ(PipelineDone(par, id), 1);
    for (int i = 0; i < 8; i++) EXPECT_GT(log.end[i], 0);
    EXPECT_GT(log.start[1], log.end[0]);
    EXPECT_GT(log.start[2], log.end[0]);
    for (int i : {6, 7}) EXPECT_GT(log.start[i], std::max(log.end[0], log.end[5])) << i;
    EXPECT_EQ(log.most.load(), threads);
    StopParallel(par);
  }
}

TEST(Pipeline, RefusedLaunchesStartNothingAndNeverHangTheWait) {
  ParallelPool *par = InitParallel(2);
  ASSERT_NE(par, nullptr);
  std::vector<int> ids(101, 0);
  int never = 999, zero = 0;  // ids never given by this pool: such a task could never start
  EXPECT_EQ(LaunchPipeline(par, nothing, nullptr, 101, ids.data()), 0);
  EXPECT_EQ(LaunchPipeline(par, nullptr, nullptr, 0, nullptr), 0);
  EXPECT_EQ(LaunchPipeline(par, nothing, nullptr, 1, &never), 0);
  EXPECT_EQ(LaunchPipeline(par, nothing, nullptr, 1, &zero), 0);
  EXPECT_EQ(par->PenPip, 0);
  EXPECT_EQ(par->NbrPip, 0);
  WaitPipeline(par);  // returns: nothing is pending
  int first = LaunchPipeline(par, nothing, nullptr, 0, nullptr);
  EXPECT_EQ(first, 1);
  WaitPipeline(par);
  EXPECT_EQ(LaunchPipeline(par, nothing, nullptr, 1, &first), 2);  // its dependency has ended
  StopParallel(par);
}

void addTo(void *a1, void *a2) {
  std::this_thread::sleep_for(10ms);
  *static_cast<std::atomic<long> *>(a1) += reinterpret_cast<long>(a2);
}

TEST(Pipeline, ArgumentsBelongToTheirTaskAndStopWaitsForTasks) {
  ParallelPool *par = InitParallel(4);
  ASSERT_NE(par, nullptr);
  std::atomic<long> x{0}, y{0};
  // Launched back to back: the second must not overwrite the first's arguments.
  EXPECT_GT(LaunchPipelineMultiArg(par, 0, nullptr, reinterpret_cast<AnyProc>(addTo), 2, &x,
                                   reinterpret_cast<void *>(5L)), 0);
  EXPECT_GT(LaunchPipelineMultiArg(par, 0, nullptr, reinterpret_cast<AnyProc>(addTo), 2, &y,
                                   reinterpret_cast<void *>(7L)), 0);
  EXPECT_EQ(LaunchPipelineMultiArg(par, 0, nullptr, reinterpret_cast<AnyProc>(addTo), 21), -1);
  WaitPipeline(par);
  EXPECT_EQ(x.load(), 5);
  EXPECT_EQ(y.load(), 7);
  EXPECT_EQ(par->NbrValArg, 0);  // nor do they leak into the pool's loop launches
  // Stopping the pool waits for the tasks still running.
  // Static for the capture-free task; set again so that a repeated run counts its own tasks.
  static std::atomic<int> finished;
  finished = 0;
  auto slow = [](void *) {
    std::this_thread::sleep_for(50ms);
    finished++;
  };
  ASSERT_GT(LaunchPipeline(par, slow, nullptr, 0, nullptr), 0);
  ASSERT_GT(LaunchPipeline(par, slow, nullptr, 0, nullptr), 0);
  StopParallel(par);
  EXPECT_EQ(finished.load(), 2);
}

// Makes every thread created with default attributes ask for a stack no system can map, so
// that thread creation fails; restores the previous default when it goes out of scope.
struct UnmappableStacks {
  pthread_attr_t saved;
  bool ok = false;
  UnmappableStacks() {
    pthread_getattr_default_np(&saved);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    ok = pthread_attr_setstacksize(&huge, size_t(1) << 46) == 0 && pthread_setattr_default_np(&huge) == 0;
    pthread_attr_destroy(&huge);
  }
  ~UnmappableStacks() {
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&saved);
  }
};

TEST(PoolThreads, FailedThreadCreationReleasesEverything) {
  ParallelPool *par = InitParallel(2);
  ASSERT_NE(par, nullptr);
  {
    UnmappableStacks guard;
    ASSERT_TRUE(guard.ok);
    // Start-up fails and releases what it took (the leak checker sees every block).
    EXPECT_EQ(InitParallel(4), nullptr);
    // A task whose thread cannot start is refused: nothing stays pending.
    EXPECT_EQ(LaunchPipeline(par, nothing, nullptr, 0, nullptr), 0);
    EXPECT_EQ(par->PenPip, 0);
    EXPECT_EQ(par->NbrPip, 0);
  }
  WaitPipeline(par);
  EXPECT_EQ(LaunchPipeline(par, nothing, nullptr, 0, nullptr), 1);
  StopParallel(par);
}

}  // namespace
