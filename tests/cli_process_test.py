#!/usr/bin/env python3
"""The varkesh tool (and the plug-in's hash action through varkesh-host) as real processes:
the pass-phrase prompt on a pseudo-terminal, every kind of output, interrupts, a full disk,
sources of unknown or changing size and closed standard streams.

    cli_process_test.py VARKESH VARKESH_HOST [unittest options]
"""
import fcntl
import hashlib
import os
import resource
import select
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import termios
import threading
import time
import unittest

VARKESH = ''
HOST = ''
PASS = 'secret'
TIMEOUT = 20


def wait_for(condition, what):
    deadline = time.monotonic() + TIMEOUT
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError('timed out waiting for ' + what)
        time.sleep(0.01)


class Scratch(unittest.TestCase):
    """A scratch folder per test, removed afterwards with whatever a killed process left."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix='varkesh-process-')
        self.addCleanup(shutil.rmtree, self.dir)
        self.env = dict(os.environ, VARKESH_PASS=PASS)

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data, mode=None):
        with open(self.path(name), 'wb') as f:
            f.write(data)
        if mode is not None:
            os.chmod(self.path(name), mode)

    def read(self, name):
        with open(self.path(name), 'rb') as f:
            return f.read()

    def temporaries(self):
        return [n for n in os.listdir(self.dir) if '.varkesh-' in n]

    def tool(self, *args, stdin=subprocess.DEVNULL, **kw):
        kw.setdefault('stdout', subprocess.PIPE)
        return subprocess.run([VARKESH, *args], cwd=self.dir, env=self.env, stdin=stdin,
                              stderr=subprocess.PIPE, timeout=TIMEOUT, **kw)

    def start(self, *args, **kw):
        kw.setdefault('stdin', subprocess.DEVNULL)
        kw.setdefault('stdout', subprocess.PIPE)
        return subprocess.Popen([VARKESH, *args], cwd=self.dir, env=self.env,
                                stderr=subprocess.PIPE, **kw)

    def encrypted(self, data):
        """The file format of `data` under PASS and the default settings."""
        r = self.tool('encrypt', '--passphrase-env', 'VARKESH_PASS', '-', '-', input=data,
                      stdin=None)
        self.assertEqual(r.returncode, 0, r.stderr)
        return r.stdout

    def assert_failed(self, result, message):
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn(message.encode(), result.stderr)


class Prompt(Scratch):
    """The pass phrase is read on the controlling terminal, never from the data."""

    def on_terminal(self, *args, output_too=False, **kw):
        master, slave = os.openpty()
        self.addCleanup(os.close, master)
        self.addCleanup(os.close, slave)
        if output_too:
            kw['stdout'] = slave

        def take_terminal():
            fcntl.ioctl(slave, termios.TIOCSCTTY, 0)

        process = self.start(*args, start_new_session=True, preexec_fn=take_terminal, **kw)
        self.addCleanup(process.kill)
        return process, master, slave

    def expect(self, master, text):
        seen = b''
        deadline = time.monotonic() + TIMEOUT
        while not seen.endswith(text):
            ready, _, _ = select.select([master], [], [], max(0, deadline - time.monotonic()))
            if not ready:
                self.fail('no %r on the terminal; saw %r' % (text, seen))
            seen += os.read(master, 1024)
        return seen

    def test_pass_phrase_typed_while_data_is_piped_in(self):
        plain = os.urandom(5000)
        with open(self.path('enc'), 'wb') as f:
            f.write(self.encrypted(plain))
        with open(self.path('enc'), 'rb') as data:
            process, master, _ = self.on_terminal('decrypt', stdin=data)
            shown = self.expect(master, b'Pass phrase: ')
            os.write(master, PASS.encode() + b'\n')
            out, err = process.communicate(timeout=TIMEOUT)
        self.assertEqual(process.returncode, 0, err)
        self.assertEqual(out, plain)
        # Nothing typed is echoed (the line end is the tool's own).
        shown += self.expect(master, b'\n')
        self.assertNotIn(PASS.encode(), shown)

    def test_encrypting_asks_twice(self):
        reference = self.tool('encrypt', '--passphrase-env', 'VARKESH_PASS', '--text', 'hello')
        for again, status in [(PASS, 0), ('other', 1)]:
            with self.subTest(again=again):
                process, master, _ = self.on_terminal('encrypt', '--text', 'hello')
                self.expect(master, b'Pass phrase: ')
                os.write(master, PASS.encode() + b'\n')
                self.expect(master, b'Pass phrase again: ')
                os.write(master, again.encode() + b'\n')
                out, err = process.communicate(timeout=TIMEOUT)
                self.assertEqual(process.returncode, status, err)
                if status == 0:
                    self.assertEqual(out, reference.stdout)
                else:
                    self.assertIn(b'do not match', err)

    def test_echo_comes_back_after_ctrl_c(self):
        process, master, slave = self.on_terminal('decrypt', '--text', 'AAAA')
        self.expect(master, b'Pass phrase: ')
        self.assertFalse(termios.tcgetattr(slave)[3] & termios.ECHO)
        os.write(master, b'\x03')
        process.communicate(timeout=TIMEOUT)
        self.assertEqual(process.returncode, -signal.SIGINT)
        self.assertTrue(termios.tcgetattr(slave)[3] & termios.ECHO)

    def test_no_terminal_names_the_options(self):
        r = self.tool('decrypt', '--text', 'AAAA', start_new_session=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn(b'--passphrase-fd', r.stderr)

    def test_encrypted_bytes_are_not_written_to_a_terminal(self):
        self.write('plain', b'x' * 100)
        process, _, _ = self.on_terminal('encrypt', '--passphrase-env', 'VARKESH_PASS', 'plain',
                                         output_too=True)
        _, err = process.communicate(timeout=TIMEOUT)
        self.assertEqual(process.returncode, 1)
        self.assertIn(b'not written to a terminal', err)


class Outputs(Scratch):
    """Regular files are replaced whole or not at all; anything else is written in place."""

    def setUp(self):
        super().setUp()
        self.plain = os.urandom(30000)
        self.write('plain', self.plain)
        self.cipher = self.encrypted(self.plain)

    def encrypt_to(self, output, **kw):
        return self.tool('encrypt', '--passphrase-env', 'VARKESH_PASS', 'plain', output, **kw)

    def test_regular_files_are_replaced_keeping_their_mode(self):
        umask = os.umask(0)
        os.umask(umask)
        long_name = 'n' * 255
        # (output as given, what to make first, the file that gets the data, its mode after)
        cases = [
            ('new', None, 'new', 0o666 & ~umask),
            ('private', lambda: self.write('private', b'old', 0o600), 'private', 0o600),
            ('shared', lambda: self.write('shared', b'old', 0o664), 'shared', 0o664),
            ('link', lambda: (self.write('target', b'old', 0o640),
                              os.symlink('target', self.path('link'))), 'target', 0o640),
            (long_name, None, long_name, 0o666 & ~umask),
        ]
        for output, make, written, mode in cases:
            with self.subTest(output=output[:20]):
                if make:
                    make()
                r = self.encrypt_to(output)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(self.read(written), self.cipher)
                self.assertEqual(stat.S_IMODE(os.stat(self.path(written)).st_mode), mode)
                self.assertEqual(self.temporaries(), [])
        self.assertTrue(os.path.islink(self.path('link')))

    def test_refused_outputs_are_left_alone_before_any_work(self):
        self.write('read-only', b'old', 0o444)
        os.mkdir(self.path('folder'))
        os.symlink('plain', self.path('to-input'))
        cases = [
            ('read-only', 'Permission denied'),
            ('folder', 'Is a directory'),
            ('to-input', 'It is the input file'),
            ('plain', 'It is the input file'),
            ('missing/out', 'No such file or directory'),
        ]
        for output, reason in cases:
            with self.subTest(output=output):
                # No pass phrase and no terminal: the output is judged before either is missed.
                r = self.tool('encrypt', 'plain', output, start_new_session=True)
                self.assert_failed(r, 'Cannot create file "%s". %s' % (self.path(output), reason))
                self.assertEqual(self.temporaries(), [])
        self.assertEqual(self.read('read-only'), b'old')
        self.assertEqual(self.read('plain'), self.plain)

    def test_other_outputs_are_written_in_place(self):
        os.mkfifo(self.path('fifo'))
        received = {}

        def drain():
            with open(self.path('fifo'), 'rb') as f:
                received['fifo'] = f.read()

        reader = threading.Thread(target=drain)
        reader.start()
        r = self.encrypt_to('fifo')
        reader.join(TIMEOUT)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(received['fifo'], self.cipher)
        self.assertTrue(stat.S_ISFIFO(os.lstat(self.path('fifo')).st_mode))

        self.assertEqual(self.encrypt_to('/dev/stdout').stdout, self.cipher)

        # What process substitution hands over: a descriptor's name.
        read_end, write_end = os.pipe()
        with os.fdopen(read_end, 'rb') as pipe:
            r = self.encrypt_to('/dev/fd/%d' % write_end, pass_fds=(write_end,))
            os.close(write_end)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(pipe.read(), self.cipher)
        self.assertEqual(self.temporaries(), [])

    def test_two_runs_on_one_output(self):
        runs = []
        for phrase in ('first', 'second'):
            read_end, write_end = os.pipe()
            runs.append((self.start('encrypt', '--passphrase-fd', str(read_end), 'plain', 'out',
                                    pass_fds=(read_end,)), write_end, phrase))
            os.close(read_end)
        # Each has its own temporary file before either goes on.
        wait_for(lambda: len(self.temporaries()) == 2, 'two temporary files')
        for process, write_end, phrase in runs:
            os.write(write_end, phrase.encode() + b'\n')
            os.close(write_end)
        for process, _, _ in runs:
            _, err = process.communicate(timeout=TIMEOUT)
            self.assertEqual(process.returncode, 0, err)
        self.env['FIRST'], self.env['SECOND'] = 'first', 'second'
        backs = [self.tool('decrypt', '--passphrase-env', name, 'out').stdout
                 for name in ('FIRST', 'SECOND')]
        self.assertEqual(sum(back == self.plain for back in backs), 1)
        self.assertEqual(self.temporaries(), [])

    def test_character_device_stays_a_device(self):
        try:
            os.mknod(self.path('null'), stat.S_IFCHR | 0o666, os.makedev(1, 3))
            with open(self.path('null'), 'wb') as f:
                f.write(b'probe')
        except OSError as e:
            self.skipTest('no device node can be made and written here: %s' % e)
        r = self.encrypt_to('null')
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(stat.S_ISCHR(os.lstat(self.path('null')).st_mode))
        self.assertEqual(self.temporaries(), [])


class Interrupts(Scratch):
    """Halfway through a file the output is a temporary file; the old output stays whole."""

    def test_signal_halfway_keeps_the_old_output(self):
        os.mkfifo(self.path('source'))
        for signal_number, left_behind in [(signal.SIGINT, False), (signal.SIGTERM, False),
                                           (signal.SIGHUP, False), (signal.SIGKILL, True)]:
            with self.subTest(signal=signal_number.name):
                self.write('out', b'old contents', 0o600)
                process = self.start('encrypt', '--passphrase-env', 'VARKESH_PASS', 'source',
                                     'out')
                with open(self.path('source'), 'wb') as source:
                    source.write(os.urandom(1 << 20))
                    source.flush()
                    # The writer stays open: the tool waits for more while it is signalled.
                    wait_for(lambda: any(os.path.getsize(self.path(t)) >= 512 << 10
                                         for t in self.temporaries()), 'half the output')
                    process.send_signal(signal_number)
                    process.communicate(timeout=TIMEOUT)
                self.assertEqual(process.returncode, -signal_number)
                self.assertEqual(self.read('out'), b'old contents')
                self.assertEqual(bool(self.temporaries()), left_behind)
                for t in self.temporaries():
                    os.remove(self.path(t))


class FullDisk(Scratch):
    """A write that fails leaves the old output and reports the destination (the file action's
    own case is in the faults suite)."""

    @staticmethod
    def small_file_limit():
        resource.setrlimit(resource.RLIMIT_FSIZE, (64 << 10, 64 << 10))
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)

    def test_file_size_limit(self):
        self.write('plain', os.urandom(200 << 10))
        self.write('out', b'old contents')
        r = self.tool('encrypt', '--passphrase-env', 'VARKESH_PASS', 'plain', 'out',
                      preexec_fn=self.small_file_limit)
        self.assert_failed(r, 'Cannot write file "%s". %s' % (self.path('out'), os.strerror(27)))
        self.assertEqual(self.read('out'), b'old contents')
        self.assertEqual(self.temporaries(), [])

    def test_full_standard_output(self):
        self.write('plain', b'abc')
        commands = [
            ['hash', '--text', 'abc'],
            ['hash', 'plain'],
            ['algorithms'],
            ['selftest'],
            ['encrypt', '--passphrase-env', 'VARKESH_PASS', '--text', 'abc'],
            ['decrypt', '--passphrase-env', 'VARKESH_PASS', '--text', 'AAAA'],
            ['encrypt', '--passphrase-env', 'VARKESH_PASS', 'plain'],
        ]
        with open('/dev/full', 'wb') as full:
            for args in commands:
                with self.subTest(args=' '.join(args)):
                    r = self.tool(*args, stdout=full)
                    self.assert_failed(r, 'Cannot write standard output. ' + os.strerror(28))


class Sources(Scratch):
    """Sources are read to their end, whatever size they report, and must not change."""

    def test_proc_files_and_fifos_are_read_to_their_end(self):
        with open('/proc/version', 'rb') as f:
            version = f.read()
        md5 = hashlib.md5(version).hexdigest().upper().encode()
        self.assertEqual(self.tool('hash', '-a', 'md5', '/proc/version').stdout,
                         md5 + b'  /proc/version\n')
        r = subprocess.run([HOST, 'exec', '3', '/proc/version', 'V', '2'], capture_output=True,
                           timeout=TIMEOUT)
        self.assertIn(b'V=' + hashlib.sha256(version).hexdigest().upper().encode(), r.stdout)
        self.assertEqual(self.tool('encrypt', '--passphrase-env', 'VARKESH_PASS',
                                   '/proc/version').stdout, self.encrypted(version))

        os.mkfifo(self.path('fifo'))
        data = os.urandom(100000)

        def feed():
            with open(self.path('fifo'), 'wb') as f:
                f.write(data)

        for command, expected in [
                ([VARKESH, 'hash', '-a', 'md5', 'fifo'], hashlib.md5(data)),
                ([HOST, 'exec', '3', 'fifo', 'V', '2'], hashlib.sha256(data))]:
            feeder = threading.Thread(target=feed)
            feeder.start()
            r = subprocess.run(command, cwd=self.dir, capture_output=True, timeout=TIMEOUT)
            feeder.join(TIMEOUT)
            self.assertIn(expected.hexdigest().upper().encode(), r.stdout)

    def test_source_that_changes_while_read(self):
        def grow(name):
            with open(name, 'ab') as f:
                f.write(b'more')

        cases = [('shrinks', lambda name: os.truncate(name, 1000)), ('grows', grow)]
        for name, change in cases:
            with self.subTest(name):
                self.write('source', os.urandom(300000))
                self.write('out', b'old contents')
                phrase_read, phrase_write = os.pipe()
                process = self.start('encrypt', '--passphrase-fd', str(phrase_read), 'source',
                                     'out', pass_fds=(phrase_read,))
                os.close(phrase_read)
                # The source is open once the temporary output is there; the tool then waits
                # for the pass phrase.
                wait_for(self.temporaries, 'the temporary output')
                change(self.path('source'))
                os.write(phrase_write, PASS.encode() + b'\n')
                os.close(phrase_write)
                _, err = process.communicate(timeout=TIMEOUT)
                self.assertEqual(process.returncode, 1, err)
                self.assertIn(('Cannot read file "%s". The file changed while it was read.'
                               % self.path('source')).encode(), err)
                self.assertEqual(self.read('out'), b'old contents')
                self.assertEqual(self.temporaries(), [])

    def test_closed_standard_streams(self):
        close_input = lambda: os.close(0)
        for args in [['hash'], ['encrypt', '--passphrase-env', 'VARKESH_PASS', '-', 'out']]:
            with self.subTest(args=' '.join(args)):
                r = self.tool(*args, stdin=None, preexec_fn=close_input)
                self.assert_failed(r, 'Cannot read standard input. ' + os.strerror(9))
        self.assertEqual(os.listdir(self.dir), [])
        r = self.tool('hash', '--text', 'abc', preexec_fn=lambda: os.close(1))
        self.assert_failed(r, 'Cannot write standard output. ' + os.strerror(9))

    def test_pass_phrase_sources_that_fail(self):
        os.mkdir(self.path('folder'))
        self.env['EMPTY'] = ''
        cases = [
            (['--passphrase-file', 'folder'],
             'Cannot open file "%s". Is a directory' % self.path('folder')),
            (['--passphrase-env', 'EMPTY'], 'The pass phrase is empty'),
            (['--passphrase-fd', '7'], 'Cannot read descriptor 7. Bad file descriptor'),
        ]
        for option, message in cases:
            with self.subTest(option=' '.join(option)):
                self.assert_failed(self.tool('encrypt', *option, '--text', 'x'), message)
        r = self.tool('encrypt', '--passphrase-file', '-', '-', 'out', stdin=None, input=b'pw\n')
        self.assertEqual(r.returncode, 2)
        self.assertIn(b'comes from standard input', r.stderr)
        r = self.tool('encrypt', '--empty-passphrase', '--passphrase-env', 'EMPTY', '--text', 'x')
        self.assertEqual(r.returncode, 0, r.stderr)


if __name__ == '__main__':
    VARKESH, HOST = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
