; Systems that the log may name instead of their addresses
OUT    BOSS    2:5020/52   7-095-123-4567
INOUT  UPLINK  2:5020/1    7-095-111-2233
INOUT  HUB     2:5030/15   7-812-555-0101
OUT    RETIRED
