# Windows-only checks: export table, imports.
