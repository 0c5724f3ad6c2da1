// Every reader of the show meets a FIFO and /dev/zero in place of its file: the system's message,
// a failed load, and no wait for a writer that never comes nor a read that never ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "audio/music_stream.h"
#include "composition/composition.h"
#include "scene/scene.h"
#include "tests/common/headless.h"

TEST(HostileInputs, EveryReaderRefusesFilesThatAreNotRegular) {
    UseHeadlessDevice();
    ScratchDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        MessageLog log;
        Composition composition;
        EXPECT_FALSE(composition.Load(path));
        Scene scene;
        EXPECT_FALSE(scene.Load(path));
        MusicStream music(path.c_str(), MusicStream::Clock::Offline);
        EXPECT_FALSE(music.created);
        ASSERT_EQ(log.boxes.size(), 3u);
        EXPECT_EQ(log.boxes[0].first, "klarte ikke \xE5 \xE5pne " + path);
        EXPECT_EQ(log.boxes[1].first, "Kunne ikke loade scene");
        EXPECT_EQ(log.boxes[2].first, "Cant Play Funky Music");
    }
}
