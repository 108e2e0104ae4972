# The host's side of the register calling convention, written by hand so that nothing of GCC's
# own conventions is involved: EAX, EDX, ECX carry the first three arguments, the rest are
# pushed in declaration order (the last one nearest the return address), the callee pops them.

        .text

# uint32_t varkesh_call_hostconv(void* fn, uint32_t eax, uint32_t edx, uint32_t ecx,
#                                const uint32_t* stack_args, uint32_t count, uint32_t* popped)
# cdecl. Calls fn as the host does and stores how many stack bytes fn removed in *popped.
        .globl  _varkesh_call_hostconv
_varkesh_call_hostconv:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    24(%ebp), %esi          # stack_args
        movl    28(%ebp), %ecx          # count
        xorl    %ebx, %ebx
1:      cmpl    %ecx, %ebx
        jae     2f
        pushl   (%esi,%ebx,4)           # first argument first: the last ends nearest
        incl    %ebx
        jmp     1b
2:      movl    %esp, %edi              # the stack as the callee finds it
        movl    8(%ebp), %ebx
        movl    12(%ebp), %eax
        movl    16(%ebp), %edx
        movl    20(%ebp), %ecx
        call    *%ebx
        movl    %esp, %ecx
        subl    %edi, %ecx
        movl    32(%ebp), %edx
        movl    %ecx, (%edx)
        leal    -12(%ebp), %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

# A RegisterActionCallback as the host implements it: reads id, name and hint from the
# registers and [esp+4] = count, [esp+8] = last index, [esp+12] = kinds from the stack, hands
# them in that logical order to the cdecl varkesh_on_register_action, answers with AL = 1 and
# garbage in the rest of EAX, and removes its 12 stack bytes.
        .globl  _varkesh_register_action_callee
_varkesh_register_action_callee:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   8(%ebp)                 # count
        pushl   12(%ebp)                # last index
        pushl   16(%ebp)                # kinds
        pushl   %ecx                    # hint
        pushl   %edx                    # name
        pushl   %eax                    # id
        call    _varkesh_on_register_action
        addl    $24, %esp
        popl    %ebp
        movl    $0xABCDEF01, %eax
        ret     $12
