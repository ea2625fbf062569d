// Sizes and timings of the program, each with its unit.
#ifndef UI_PARAMS_H
#define UI_PARAMS_H

#define TEXT_BUF_SIZE 10240        // bytes: text buffers and paths
#define CMD_QUEUE_SIZE 64          // records in the command ring
#define CMD_QUEUE_MASK 63          // ring index wrap
#define CMD_POST_PARAM 1           // s32Param of every post
#define CMD_POST_DELAY 700         // ms: countdown of every post
#define CMD_POST_RESERVED 0        // s32Reserved of every post
#define CMD_DELAY_STEP 100         // ms: countdown taken per timer tick
#define FAST_TICK_MS 10            // ms: timer tick with fast writes (no countdowns)
#define MAIN_PANEL_HEIGHT 550      // pixels: normal mode
#define MAIN_PANEL_HEIGHT_ADV 695  // pixels: advanced mode
#define MSG_BOX_CTRL 37            // control ID of the message box
#define PAGE_NUM_MIN 1             // pages of 128 bytes
#define PAGE_NUM_MAX 16            // pages of 128 bytes

// EDID and the bus
#define EDID_BLOCK_SIZE 128        // bytes in one EDID block (page)
#define EDID_EXT_COUNT 126         // offset of the extension count in block 0
#define EDID_BUS_ADDR 0x50         // 7-bit bus address of the EDID memory
#define MONITOR_MAX 10             // detected-display records
#define MONITOR_ID_SIZE 16         // bytes of a display identifier, NUL included
#define MONITOR_EDID_BLOCKS 8      // blocks held per detected display
#define MONITOR_EDID_SIZE 1024     // bytes held per detected display
#define RECEIVED_EDID_SIZE 2048    // bytes held per received copy
#define DDC_SPEED_COUNT 9          // entries of the bus clock table
#define DDC_SPEED_DEFAULT 4        // index of 100 kHz
#define DDC_TIMEOUT_MS 3000        // ms: library option 2
#define DETECT_PAUSE_MS 20         // ms: after each detected display
#define PROGRESS_PAUSE_MS 20       // ms: after each progress step of an operation
#define WRITE_PAUSE_MS 50          // ms: before each packet write
#define DATA_BYTES_PER_LINE 16     // bytes on one line of a byte dump

#endif
