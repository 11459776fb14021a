-- 记忆模型：每个用户每个单词的记忆状态（稳定性、难度、上次复习、到期日）
-- 按主键顺序存放，整表按单词顺序读出时无需逐行查找
CREATE TABLE WordMemory_tbl (
    uid INTEGER NOT NULL,
    wid INTEGER NOT NULL,
    stability REAL NOT NULL,
    difficulty REAL NOT NULL,
    LastReview DATE NOT NULL,
    due DATE NOT NULL,
    reps INTEGER NOT NULL,
    lapses INTEGER NOT NULL,
    PRIMARY KEY (uid, wid)
) WITHOUT ROWID;

-- 删除用户时，一并删除其记忆状态
CREATE TRIGGER DelUserMemory_trig AFTER DELETE ON UserInfo_tbl
FOR EACH ROW
BEGIN
    DELETE FROM WordMemory_tbl WHERE uid = OLD.uid;
END;
